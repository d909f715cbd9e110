// The settings loader on whole files, and the slot loader on the same document: no crash,
// every number finite, the clamps held, and a second load on top of the first changes nothing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/ini.h"
#include "config/load.h"
#include "config/save.h"
#include "invariants.h"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    IniDocument document;
    if (!loadIniBytes(document, bytes)) return 0;
    SettingsRecord once;
    applySettingsDocument(document, once);
    fuzz::checkRecord(once);
    SettingsRecord twice = once;
    applySettingsDocument(document, twice);
    fuzz::expect(twice == once, "a second load on top of the first gives the same record");

    for (int group = 0; group < kSlotGroupCount; ++group) {
        for (int slot = 1; slot <= kSlotsPerGroup; ++slot) {
            SettingsRecord withSlot = once;
            const SlotLoad result = applySlot(document, withSlot, static_cast<SlotGroup>(group), slot);
            fuzz::checkRecord(withSlot);
            if (result == SlotLoad::Missing) fuzz::expect(withSlot == once, "a missing slot changes nothing");
        }
    }
    return 0;
}
