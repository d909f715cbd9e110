// Loading the settings file into the settings record.
#pragma once

#include "config/ini.h"
#include "config/schema.h"
#include "config/settings.h"

namespace velmora {

inline constexpr const char* kSettingsNotFoundMessage = "~r~Velmora~w~: Velmora.ini not found";

// Called with the failure message when the file cannot be loaded.
struct LoadNotifier {
    void (*notify)(void* context, const char* text) = nullptr;
    void* context = nullptr;
};

// Assigns every loaded key of the table from the document: the accepted value, or the
// key's default, or its chained default; then the clamps. InertiaAffectsPitch is untouched.
void applySettingsDocument(const IniDocument& document, SettingsRecord& settings);

// What a load met, for the log.
struct LoadOutcome {
    bool missing = false;  // there is no such file (rather than one that cannot be read)
    std::string bytes;     // the file as read
    TextEncoding encoding = TextEncoding::SingleByte;
    TextBreak broken = TextBreak::None;  // the loader took only the text before this
};

// Opens path ("Velmora.ini" in the working directory for the plug-in) and applies it.
// When the file cannot be opened or read, posts the "not found" message through the
// notifier, changes nothing and answers false.
bool loadSettingsFile(SettingsRecord& settings, const LoadNotifier& notifier, const char* path = kSettingsFileName,
                      LoadOutcome* outcome = nullptr);

// The record a load gives when every key is absent from the file.
SettingsRecord loadDefaults();

}  // namespace velmora
