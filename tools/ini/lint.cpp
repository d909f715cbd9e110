// The settings-file linter. It walks the file line by line the way the ini library reads
// it (so every finding has a line), and judges each value with the loader's own readers.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <map>
#include <optional>

#include "config/findings.h"
#include "config/ini.h"
#include "config/load.h"
#include "config/schema.h"
#include "ini_tool.h"
#include "input/keys.h"

namespace velmora::initool {
namespace {

using Line = SettingsLine;

std::string lower(std::string_view s) { return lowerAscii(s); }
std::string_view trim(std::string_view s) { return trimSettingsBlanks(s); }

enum class SectionKind { Settings, Slot, Unknown, Outside, Broken };

struct Section {
    SectionKind kind = SectionKind::Outside;
    std::string name;       // as written
    std::string canonical;  // the schema's spelling, for known sections
    SlotGroup group = SlotGroup::FirstPerson;
};

std::vector<std::string> knownSectionNames() {
    std::vector<std::string> names;
    for (const char* s : settingSections()) names.emplace_back(s);
    for (int g = 0; g < kSlotGroupCount; ++g)
        for (int n = 1; n <= kSlotsPerGroup; ++n) names.push_back(slotSectionName(static_cast<SlotGroup>(g), n));
    return names;
}

Section classifySection(std::string_view name) {
    Section section;
    section.name = std::string(name);
    section.kind = SectionKind::Unknown;
    for (const char* s : settingSections()) {
        if (lower(s) == lower(name)) {
            section.kind = SectionKind::Settings;
            section.canonical = s;
            return section;
        }
    }
    for (int g = 0; g < kSlotGroupCount; ++g) {
        for (int n = 1; n <= kSlotsPerGroup; ++n) {
            const std::string slot = slotSectionName(static_cast<SlotGroup>(g), n);
            if (lower(slot) == lower(name)) {
                section.kind = SectionKind::Slot;
                section.canonical = slot;
                section.group = static_cast<SlotGroup>(g);
                return section;
            }
        }
    }
    return section;
}

// A slot value goes through the loader's own number reader.
bool acceptedNumber(std::string_view text) {
    IniDocument document;
    document.SetValue("s", "k", std::string(text).c_str());
    return readNumber(document, "s", "k").has_value();
}

std::string sectionOfKeyElsewhere(std::string_view key, std::string_view exceptSection) {
    for (const char* s : settingSections()) {
        if (lower(s) == lower(exceptSection)) continue;
        if (findSettingKey(s, key) != nullptr) return s;
    }
    return "";
}

struct Entry {
    int line;
    std::string sectionId;  // lower-case section name: sections match without regard to case
    std::string keyId;      // lower-case key
};

}  // namespace

std::vector<LintFinding> lintSettingsText(std::string_view text) {
    std::vector<LintFinding> findings;
    auto report = [&](int line, std::string message) { findings.push_back({line, std::move(message)}); };

    // The values, and where a file that cannot be read whole stops, are judged as the
    // plug-in judges them when it loads the file (and logs what it finds).
    std::vector<LintFinding> values = settingsValueFindings(text);
    if (isUtf16WithoutMark(text)) return values;  // its one finding says why nothing is read
    const std::string readable = readableSettingsText(text);

    const std::vector<Line> lines = splitSettingsLines(readable);

    // First pass: where every (section, key) is given, so that only the last one, the one
    // that counts, gets its value checked.
    std::map<std::pair<std::string, std::string>, int> lastLine;
    std::map<std::pair<std::string, std::string>, int> firstLine;
    std::vector<Entry> entries;
    {
        std::string section;
        for (const Line& line : lines) {
            const std::string_view t = trim(line.text);
            if (t.empty() || t[0] == ';' || t[0] == '#') continue;
            if (t[0] == '[') {
                const auto close = t.find(']');
                section = close == std::string_view::npos ? "\x01broken" : lower(trim(t.substr(1, close - 1)));
                continue;
            }
            const auto equals = t.find('=');
            if (equals == std::string_view::npos || equals == 0) continue;
            const auto id = std::make_pair(section, lower(trim(t.substr(0, equals))));
            if (!firstLine.count(id)) firstLine[id] = line.number;
            lastLine[id] = line.number;
        }
    }

    const std::vector<std::string> sectionNames = knownSectionNames();
    Section section;
    for (const Line& line : lines) {
        const std::string_view t = trim(line.text);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;

        if (t[0] == '[') {
            const auto close = t.find(']');
            if (close == std::string_view::npos) {
                section = Section{SectionKind::Broken, std::string(t), "", SlotGroup::FirstPerson};
                report(line.number, "section header " + quoted(t) +
                                        " has no closing ']'; the loader loses the keys that follow, up to "
                                        "the next section");
                continue;
            }
            section = classifySection(trim(t.substr(1, close - 1)));
            if (section.kind == SectionKind::Unknown) {
                std::string message = "unknown section [" + section.name + "] is ignored by the loader";
                const std::string close_ = closestMatch(section.name, sectionNames);
                if (!close_.empty()) message += "; did you mean " + close_ + "?";
                report(line.number, message);
            }
            continue;
        }

        const auto equals = t.find('=');
        if (equals == std::string_view::npos) {
            report(line.number, "line ignored: it has no '='; write key = value, and start comments with ;");
            continue;
        }
        if (equals == 0) {
            report(line.number, "line ignored: there is no key name before '='");
            continue;
        }
        const std::string_view keyText = trim(t.substr(0, equals));
        const std::string_view valueText = trim(t.substr(equals + 1));
        const std::string sectionId = section.kind == SectionKind::Outside ? "" : lower(section.name);
        const auto id = std::make_pair(section.kind == SectionKind::Broken ? "\x01broken" : sectionId, lower(keyText));

        if (section.kind == SectionKind::Broken || section.kind == SectionKind::Unknown) continue;
        if (section.kind == SectionKind::Outside) {
            report(line.number, quoted(keyText) + " stands before any [section] and is ignored by the loader");
            continue;
        }
        if (firstLine[id] != line.number) {
            report(line.number, quoted(keyText) + " is given again in [" + section.name + "] (first on line " +
                                    std::to_string(firstLine[id]) + "); the last one wins");
        }
        const bool counts = lastLine[id] == line.number;

        if (section.kind == SectionKind::Slot) {
            const auto keys = slotKeys(section.group);
            const auto slotKey = std::find_if(keys.begin(), keys.end(),
                                              [&](const SlotKey& k) { return lower(k.key) == lower(keyText); });
            if (slotKey == keys.end()) {
                std::vector<std::string> names;
                for (const SlotKey& k : keys) names.emplace_back(k.key);
                std::string message =
                    "unknown key " + quoted(keyText) + " in [" + section.name + "] is ignored when the slot is loaded";
                const std::string close = closestMatch(keyText, names);
                if (!close.empty()) message += "; did you mean " + close + "?";
                report(line.number, message);
            } else if (counts && !acceptedNumber(valueText)) {
                report(line.number, std::string(slotKey->key) + " = " + quoted(valueText) + " in [" + section.name +
                                        "] is not accepted (" + numberHint(valueText) +
                                        "); loading the slot leaves that value as it is");
            }
            continue;
        }

        const SettingKey* key = findSettingKey(section.canonical, keyText);
        if (key == nullptr) {
            std::string message =
                "unknown key " + quoted(keyText) + " in [" + section.name + "] is ignored by the loader";
            const std::string elsewhere = sectionOfKeyElsewhere(keyText, section.canonical);
            if (!elsewhere.empty()) {
                message += "; it belongs in [" + elsewhere + "]";
            } else {
                std::vector<std::string> names;
                for (const SettingKey& k : settingKeys())
                    if (lower(k.section) == lower(section.canonical)) names.emplace_back(k.key);
                const std::string close = closestMatch(keyText, names);
                if (!close.empty()) message += "; did you mean " + close + "?";
            }
            report(line.number, message);
            continue;
        }
    }

    // On a line with both, what the line is comes before what its value is.
    findings.insert(findings.end(), std::make_move_iterator(values.begin()), std::make_move_iterator(values.end()));
    std::stable_sort(findings.begin(), findings.end(),
                     [](const LintFinding& a, const LintFinding& b) { return a.line < b.line; });
    return findings;
}

LintReport lintSettingsFile(const std::string& path) {
    LintReport report;
    // The plug-in's own reader: what it cannot read, the check cannot either.
    const std::optional<std::string> bytes = readSettingsBytes(path.c_str());
    if (!bytes) {
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            report.whyUnreadable = "it is a folder";
        } else if (const auto size = std::filesystem::file_size(path, error); !error && size > kMaxSettingsFileBytes) {
            report.whyUnreadable = "it holds more than 16 MiB, and a settings file is a few KiB";
        } else if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error)) {
            report.whyUnreadable = "it is not a file";
        }
        return report;
    }
    report.readable = true;
    report.findings = lintSettingsText(*bytes);
    return report;
}

}  // namespace velmora::initool
