// A stand-in for the manual-transmission plug-in Gears.asi, for the Wine tests: its sixteen
// exports, of which the three look queries answer the scenario's look requests by asking
// the runtime stand-in, where the simulated world lives. Velmora calls only those three, so
// the others answer zero.
#include "standin_api.h"

extern "C" {

bool MT_LookingLeft(), MT_LookingRight(), MT_LookingBack();
int MT_GetVersion(), MT_IsActive(), MT_SetActive(), MT_NeutralGear(), MT_GetShiftMode(), MT_SetShiftMode(),
    MT_GetShiftIndicator(), MT_AddIgnoreVehicle(), MT_DelIgnoreVehicle(), MT_ClearIgnoredVehicles(),
    MT_NumIgnoredVehicles(), MT_GetIgnoredVehicles(), MT_GetManagedVehicle();

bool MT_LookingLeft() { return standinGearsLooking(0) != 0; }
bool MT_LookingRight() { return standinGearsLooking(1) != 0; }
bool MT_LookingBack() { return standinGearsLooking(2) != 0; }

int MT_GetVersion() { return 0; }
int MT_IsActive() { return 0; }
int MT_SetActive() { return 0; }
int MT_NeutralGear() { return 0; }
int MT_GetShiftMode() { return 0; }
int MT_SetShiftMode() { return 0; }
int MT_GetShiftIndicator() { return 0; }
int MT_AddIgnoreVehicle() { return 0; }
int MT_DelIgnoreVehicle() { return 0; }
int MT_ClearIgnoredVehicles() { return 0; }
int MT_NumIgnoredVehicles() { return 0; }
int MT_GetIgnoredVehicles() { return 0; }
int MT_GetManagedVehicle() { return 0; }

}  // extern "C"
