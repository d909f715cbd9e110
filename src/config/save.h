// Writing the settings file: the menu's "save everything" and the user slots. Each save
// reads the file, amends the document and writes it back whole, without ever leaving the
// player with a truncated or emptied file: the new document goes to a file beside it, which
// then takes the old one's place in one step.
#pragma once

#include <cstdint>
#include <string>

#include "config/ini.h"
#include "config/schema.h"
#include "config/settings.h"
#include "host/platform.h"

namespace velmora {

enum class SaveResult : std::uint8_t {
    Saved,        // the file now holds the amended document
    Converted,    // saved, and the file, which was UTF-16 text, is UTF-8 text now
    NotReadable,  // the file is there but could not be read whole: it was left alone
    NotWritten,   // the new document could not be written (or the file is read-only)
};

// Reads the file at path (a missing file is an empty document), calls amend on the
// document, and writes it back through a file beside it ("<path>.tmp") that replaces the
// old one only once it is complete.
using DocumentAmendment = void (*)(IniDocument& document, const void* context);
SaveResult amendSettingsFile(const Platform& platform, const char* path, DocumentAmendment amend, const void* context);

// The 43 values the menu edits (and the third-person base values), in their save order:
// numbers with "%f", switches as 0 and 1; every other entry of the file is carried through.
SaveResult saveAllSettingsFile(const Platform& platform, const SettingsRecord& settings,
                               const char* path = kSettingsFileName);

// A user slot: the group's values in its "Preset.<group>.Slot<n>" section, written with "%f".
SaveResult saveSlot(const Platform& platform, const SettingsRecord& settings, SlotGroup group, int slot,
                    const char* path = kSettingsFileName);

enum class SlotLoad : std::uint8_t {
    Loaded,       // the section is there; each valid key it holds was taken
    Missing,      // no such section in the file: nothing changed
    NotReadable,  // no file, or one that could not be read: nothing changed
};
SlotLoad loadSlot(SettingsRecord& settings, SlotGroup group, int slot, const char* path = kSettingsFileName);
// The slot's values from a document already read: Loaded or Missing.
SlotLoad applySlot(const IniDocument& document, SettingsRecord& settings, SlotGroup group, int slot);

}  // namespace velmora
