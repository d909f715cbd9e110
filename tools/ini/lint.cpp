// The settings-file linter. It walks the file line by line the way the ini library reads
// it (so every finding has a line), and judges each value with the loader's own readers.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <map>
#include <optional>

#include "config/ini.h"
#include "config/load.h"
#include "config/schema.h"
#include "ini_tool.h"
#include "input/keys.h"

namespace velmora::initool {
namespace {

// The ini library's notion of a blank.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

struct Line {
    int number;
    std::string_view text;
};

// Lines end at "\n", "\r\n" or a lone "\r", as the library's newline test has it.
std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    int number = 1;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r') continue;
        lines.push_back({number++, text.substr(start, i - start)});
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back({number, text.substr(start)});
    return lines;
}

std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + cost});
            diagonal = above;
        }
    }
    return row[b.size()];
}

enum class SectionKind { Settings, Slot, Unknown, Outside, Broken };

struct Section {
    SectionKind kind = SectionKind::Outside;
    std::string name;      // as written
    std::string canonical; // the schema's spelling, for known sections
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

// A one-entry document, so that a single text goes through the loader's own readers.
struct SingleValue {
    IniDocument document;
    explicit SingleValue(std::string_view text) { document.SetValue("s", "k", std::string(text).c_str()); }
    std::optional<float> number() const { return readNumber(document, "s", "k"); }
    std::optional<std::int32_t> integer() const { return readInteger(document, "s", "k"); }
    std::optional<bool> flag() const { return readSwitch(document, "s", "k"); }
};

std::string onOff(bool on) { return on ? "1 (on)" : "0 (off)"; }

// What the loader gives the key when its text is not accepted.
std::string fallbackText(const SettingKey& key, const SettingsRecord& loaded) {
    const SettingsRecord fresh;
    switch (key.fallback) {
        case Fallback::Fixed: return "the default " + formatNumber(key.fixedDefault);
        case Fallback::Chained: {
            const SettingKey& from = *findSettingKey(key.section, key.chainedFrom);
            return "the value of " + std::string(from.key) + ", " + formatFieldValue(loaded, from) + ",";
        }
        case Fallback::StartValue: break;
    }
    if (key.form == ValueForm::Switch || key.form == ValueForm::IntegerSwitch)
        return "the default " + onOff(flagField(fresh, key));
    const std::string value = formatFieldValue(fresh, key);
    return "the default " + (value.empty() ? std::string("(empty)") : value);
}

// Why a number text was not accepted, as a hint for the player.
std::string numberHint(std::string_view text) {
    if (text.empty()) return "it is empty";
    if (text.size() > 63) return "it is longer than 63 characters";
    if (text.find(';') != std::string_view::npos || text.find('#') != std::string_view::npos)
        return "a ';' after a value is part of the value: put comments on their own line";
    char* end = nullptr;
    const std::string copy(text);
    const double parsed = std::strtod(copy.c_str(), &end);
    if (end == nullptr || *end != '\0') return "it is not a number";
    return std::isfinite(parsed) ? "it is too large for a setting" : "it is not a finite number";
}

bool isCanonicalSwitchWord(std::string_view text) {
    static constexpr std::string_view kWords[] = {"1", "0", "true", "false", "yes", "no", "on", "off"};
    const std::string word = lower(text);
    return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

std::optional<std::string> checkKeyName(std::string_view text) {
    if (keyCodeOf(text) >= 0) return std::nullopt;
    if (text.empty()) return std::string("is empty, so this key does nothing");
    std::string message = "= " + quoted(text) + " names no key, so this key does nothing";
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (keyCodeOf(upper) >= 0) return message + "; key names are upper case: did you mean " + upper + "?";
    std::vector<std::string> names;
    for (const KeyName& k : keyNameTable()) names.emplace_back(k.name);
    const std::string close = closestMatch(text, names);
    if (!close.empty()) return message + "; did you mean " + close + "?";
    return message + "; use a letter, a digit or a key name such as F10 or LSHIFT";
}

// The finding for one value of a settings section, if any.
std::optional<std::string> checkSettingValue(const SettingKey& key, std::string_view text,
                                             const SettingsRecord& loaded) {
    const SingleValue value(text);
    const std::string name = std::string(key.key);
    switch (key.form) {
        case ValueForm::Number: {
            const auto number = value.number();
            if (!number)
                return name + " = " + quoted(text) + " is not accepted (" + numberHint(text) +
                       "); the loader uses " + fallbackText(key, loaded) + " instead";
            if (key.clamped && (*number < key.clampMin || *number > key.clampMax)) {
                const float clamped = std::clamp(*number, key.clampMin, key.clampMax);
                return name + " = " + std::string(text) + " is outside " + formatNumber(key.clampMin) + " to " +
                       formatNumber(key.clampMax) + "; the loader uses " + formatNumber(clamped);
            }
            if (key.ranged && (*number < key.rangeMin || *number > key.rangeMax))
                return name + " = " + std::string(text) + " is outside the sensible range " + formatNumber(key.rangeMin) +
                       " to " + formatNumber(key.rangeMax) + "; the loader takes it as written";
            return std::nullopt;
        }
        case ValueForm::Integer: {
            const auto integer = value.integer();
            if (!integer) {
                std::string message = name + " = " + quoted(text) +
                                      " is not a whole number; the loader uses " +
                                      fallbackText(key, loaded) + " instead";
                const std::int32_t code = keyCodeOf(text);
                if (std::string_view(key.key) == "menuKeyCode" && code >= 0)
                    message += "; this key takes a virtual-key code: write " + std::to_string(code) +
                               " for " + std::string(text);
                return message;
            }
            if (std::string_view(key.key) == "menuKeyCode" && (*integer < 1 || *integer > 254))
                return name + " = " + std::string(text) +
                       " is not a virtual-key code (1 to 254), so the menu cannot be opened";
            return std::nullopt;
        }
        case ValueForm::Switch: {
            const auto flag = value.flag();
            if (!flag)
                return name + " = " + quoted(text) + " is not a switch; the loader uses " +
                       fallbackText(key, loaded) + " instead; write 1 or 0, true or false, yes or no, on or off";
            if (!isCanonicalSwitchWord(text))
                return name + " = " + quoted(text) + " reads as " + onOff(*flag) +
                       ": only its first letters count; write 1 or 0, true or false, yes or no, on or off";
            return std::nullopt;
        }
        case ValueForm::IntegerSwitch: {
            if (!value.integer())
                return name + " = " + quoted(text) + " is not a whole number; the loader uses " +
                       fallbackText(key, loaded) + " instead; write 1 for on or 0 for off";
            return std::nullopt;
        }
        case ValueForm::KeyName: {
            auto problem = checkKeyName(text);
            if (problem) return name + " " + *problem;
            return std::nullopt;
        }
    }
    return std::nullopt;
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

std::string closestMatch(std::string_view word, const std::vector<std::string>& candidates) {
    const std::string target = lower(word);
    std::string best;
    std::size_t bestDistance = 0;
    std::size_t bestLengthGap = 0;
    for (const std::string& c : candidates) {
        const std::size_t d = editDistance(target, lower(c));
        const std::size_t gap = c.size() > target.size() ? c.size() - target.size() : target.size() - c.size();
        // On a tie the name of the same length wins: "F1O" is a mistyped F10 rather than F1.
        if (best.empty() || d < bestDistance || (d == bestDistance && gap < bestLengthGap)) {
            best = c;
            bestDistance = d;
            bestLengthGap = gap;
        }
    }
    const std::size_t allowed = std::max<std::size_t>(2, target.size() / 3);
    return (!best.empty() && bestDistance <= allowed) ? best : std::string();
}

std::vector<LintFinding> lintSettingsText(std::string_view text) {
    std::vector<LintFinding> findings;
    auto report = [&](int line, std::string message) { findings.push_back({line, std::move(message)}); };

    // UTF-16 text (with its byte-order mark, or plain text whose second byte is 0): the
    // loader stops at its first 0 byte, so nothing of it counts. One warning says why.
    const bool utf16 = text.size() >= 2 && ((text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF") ||
                                            (text[0] != '\0' && text[1] == '\0'));
    if (utf16) {
        report(1, "the file is UTF-16 text; Velmora reads single-byte text (ANSI or UTF-8) and takes nothing from "
                  "this one: save it as UTF-8");
        return findings;
    }

    // The loader stops at a NUL byte: nothing after it is read.
    std::string_view readable = text;
    if (const auto nul = text.find('\0'); nul != std::string_view::npos) readable = text.substr(0, nul);
    if (readable.size() >= 3 && readable.substr(0, 3) == "\xEF\xBB\xBF") readable.remove_prefix(3);

    IniDocument document;
    document.LoadData(readable.data(), readable.size());
    SettingsRecord loaded;
    applySettingsDocument(document, loaded);

    const std::vector<Line> lines = splitLines(readable);

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
            const auto slotKey = std::find_if(keys.begin(), keys.end(), [&](const SlotKey& k) {
                return lower(k.key) == lower(keyText);
            });
            if (slotKey == keys.end()) {
                std::vector<std::string> names;
                for (const SlotKey& k : keys) names.emplace_back(k.key);
                std::string message = "unknown key " + quoted(keyText) + " in [" + section.name +
                                      "] is ignored when the slot is loaded";
                const std::string close = closestMatch(keyText, names);
                if (!close.empty()) message += "; did you mean " + close + "?";
                report(line.number, message);
            } else if (counts && !SingleValue(valueText).number()) {
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
        if (!counts || !key->loaded) continue;
        if (auto problem = checkSettingValue(*key, valueText, loaded)) report(line.number, *problem);
    }

    if (readable.size() < text.size() && text.find('\0') != std::string_view::npos) {
        // The NUL sits on the line after the last complete one before it.
        const std::vector<Line> before = splitLines(readable);
        const bool lastComplete = readable.empty() || readable.back() == '\n' || readable.back() == '\r';
        const int line = before.empty() ? 1 : before.back().number + (lastComplete ? 1 : 0);
        report(line, "the file holds a NUL byte here; the loader reads nothing after it");
    }
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
