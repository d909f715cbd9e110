// The defaults, checked against the table of defaults written out here by hand, not
// against anything the schema generates: a changed default must fail a test.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "config/load.h"
#include "config/schema.h"

namespace velmora {
namespace {

using Key = std::pair<std::string, std::string>;

// Every key the loader reads, with the value a load gives it when the file lacks it.
const std::map<Key, std::string>& documentedDefaults() {
    static const std::map<Key, std::string> table = [] {
        std::map<Key, std::string> t;
        auto section = [&t](const char* name, std::initializer_list<std::pair<const char*, const char*>> keys) {
            for (const auto& [key, value] : keys) t[{name, key}] = value;
        };
        section("keyMappings", {{"reloadSettingsKey", "F10"}, {"toggleModKey", "1"}, {"lookLeftKey", "B"},
                                {"lookRightKey", "N"}, {"menuKeyCode", "122"}});
        section("3rdPersonView",
                {{"distanceOffset", "0"},       {"heightOffset", "0"},          {"cameraAngle", "3.5"},
                 {"DynamicFov", "0"},           {"DynamicFovMin", "68"},        {"DynamicFovMax", "75"},
                 {"DynamicFovMaxAtSpeed", "60"}, {"DynamicFovMaxLimit", "0"},   {"fov", "77.5"},
                 {"lookLeftAngle", "90"},        {"lookRightAngle", "90"},       {"distanceNear", "0.4"},
                 {"distanceMedium", "1.2"},     {"distanceFar", "2"},           {"heightNear", "0"},
                 {"heightMedium", "0.3"},       {"heightFar", "0.55"},          {"fovNear", "77.5"},
                 {"fovMedium", "77.5"},         {"fovFar", "77.5"},             {"angleNear", "3.5"},
                 {"angleMedium", "3.5"},        {"angleFar", "3.5"},            {"distanceOffsetNear", "0"},
                 {"distanceOffsetMedium", "0"}, {"distanceOffsetFar", "0"},     {"heightOffsetNear", "0"},
                 {"heightOffsetMedium", "0"},   {"heightOffsetFar", "0"},       {"CameraSwitchSpeed", "2.6"},
                 {"InertiaForce", "1"}});
        section("1stPersonView",
                {{"fov", "59"},
                 {"heightOffset", "0.05"},
                 {"forwardOffset", "-0.04"},
                 {"lookLeftAngle", "75"},
                 {"lookRightAngle", "80"},
                 {"InertiaEffects", "1"},
                 {"TerrainShake", "1"},
                 {"ShakeTerrain", "0.007"},
                 {"ShakeSpeed", "0.005"},
                 {"ShakeMaxOffset", "0.06"},
                 {"ShakeRotation", "0.9"},
                 {"EngineVibration", "0.006"},
                 {"HeadLean", "1"},
                 {"LeanLateral", "0.045"},
                 {"LeanForward", "0.03"},
                 {"HorizonLock", "0.35"},
                 {"sideOffset", "0"},
                 {"HeadFollowRate", "9"},
                 {"MaxInertiaShift", "0.06"},
                 {"LeanLateralLimit", "0.02"},
                 {"LeanForwardLimit", "0.07"},
                 {"MountPoint", "0"},
                 {"EyePlaneMargin", "0.08"},
                 {"EyePlaneGuard", "1"},
                 {"HeadSpaceOffsets", "1"},
                 {"NoHeavyBrakeAnimation", "1"},
                 {"DeclareFirstPersonToEngine", "1"},
                 {"UseOwnFirstPersonCamera", "1"},
                 {"PhoneOverlayScale", "0"},
                 {"LookWeight", "14"},
                 {"RecenterTime", "1.6"},
                 {"RecenterEase", "2"},
                 {"DeclareFirstPersonWhileAiming", "0"},
                 {"SpecialAbilityFix", "1"},
                 {"LookYawLimitLeft", "95"},
                 {"LookYawLimitRight", "100"},
                 {"LookPitchMin", "-62"},
                 {"LookPitchMax", "40"},
                 {"VehicleModelInfoFlagsOffset", "1404"},
                 {"pitchOffset", "0"},
                 {"yawOffset", "0"},
                 {"rollOffset", "0"},
                 {"SpeedZoom", "1"},
                 {"SpeedZoomAmount", "12"},
                 {"SpeedZoomAtSpeed", "55"},
                 {"SpeedZoomSmoothing", "2.5"}});
        section("general", {{"GetInputFromGearsAsi", "1"}});
        section("input", {{"gamepadDeadzone", "0"}, {"gamepadEasing", "1"}, {"gamepadSensibility", "1"},
                          {"mouseSensibility", "1"}});
        return t;
    }();
    return table;
}

TEST(Defaults, ALoadOfAnEmptyFileGivesTheDocumentedDefaults) {
    ASSERT_EQ(documentedDefaults().size(), 87u);
    const SettingsRecord loaded = loadDefaults();
    int checked = 0;
    for (const SettingKey& key : settingKeys()) {
        if (!key.loaded) continue;
        const auto it = documentedDefaults().find({key.section, key.key});
        if (it == documentedDefaults().end()) {
            ADD_FAILURE() << key.section << "." << key.key << " has no documented default";
            continue;
        }
        EXPECT_EQ(formatFieldValue(loaded, key), it->second) << key.section << "." << key.key;
        ++checked;
    }
    EXPECT_EQ(checked, 87);
}

TEST(Defaults, AtStartTheDynamicFieldOfViewWaitsForAFileAndTheMenuOnlyFieldIsOff) {
    const SettingsRecord start;
    for (const SettingKey& key : settingKeys()) {
        if (!key.loaded) continue;
        const std::string name = key.key;
        const bool waits = name == "DynamicFovMin" || name == "DynamicFovMax" || name == "DynamicFovMaxAtSpeed";
        const std::string expected = waits ? "0" : documentedDefaults().at({key.section, key.key});
        EXPECT_EQ(formatFieldValue(start, key), expected) << key.section << "." << key.key;
    }
    EXPECT_FALSE(start.InertiaAffectsPitch);
}

}  // namespace
}  // namespace velmora
