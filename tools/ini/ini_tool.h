// The work behind velmora-ini: dumping what a load gives, linting a settings file, and
// generating the default file and the key reference from the settings schema.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/findings.h"
#include "config/settings.h"

namespace velmora::initool {

// Every loaded field, one line each as "section.key=value", in the loader's order, then
// 3rdPersonView.InertiaAffectsPitch. Floats "%.9g", switches true/false.
std::string dumpSettings(const SettingsRecord& settings);

// The user slots a settings file holds, one line a value as "Preset.<group>.Slot<n>.key=value":
// each slot section present, with the values loading the slot would take ("%.9g").
std::string dumpSlots(const std::string& path);

// The same record and slots as one JSON object: {"section": {"key": value}, "slots": {...}}.
std::string dumpJson(const SettingsRecord& settings, const std::string& path);

using LintFinding = SettingsFinding;
using velmora::closestMatch;

struct LintReport {
    bool readable = false;
    std::string whyUnreadable;  // when known: "it is a folder", ...
    std::vector<LintFinding> findings;
};

// Lints the text of a settings file as the loader will read it.
std::vector<LintFinding> lintSettingsText(std::string_view text);
LintReport lintSettingsFile(const std::string& path);

// A complete settings file with every key at its default and a comment line for each.
std::string defaultSettingsFile();

// The key reference in Markdown.
std::string settingsReference();

}  // namespace velmora::initool
