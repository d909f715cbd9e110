// The settings loader on whole files, and the slot loader on the same document: no crash,
// every number finite, the clamps held, and a second load on top of the first changes nothing.
// The findings the plug-in logs at a load: no crash, each on a line of the file, in order.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/findings.h"
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

    int lines = 1;
    for (const char c : readableSettingsText(bytes)) lines += c == '\n' || c == '\r';  // at most this many
    int previous = 0;
    for (const SettingsFinding& finding : settingsValueFindings(bytes)) {
        fuzz::expect(finding.line >= 1 && finding.line <= lines, "a finding names a line of the file");
        fuzz::expect(finding.line >= previous, "findings come in line order");
        fuzz::expect(!finding.message.empty(), "a finding says something");
        previous = finding.line;
    }

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
