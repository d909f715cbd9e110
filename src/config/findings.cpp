#include "config/findings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <iterator>
#include <span>
#include <utility>

#include "config/ini.h"
#include "config/load.h"
#include "input/keys.h"

namespace velmora {
namespace {

// The ini library's notion of a blank.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// [from, to) of text, clipped to it. Not substr: the plug-in links none of the library's
// range errors.
std::string_view slice(std::string_view text, std::size_t from, std::size_t to = std::string_view::npos) {
    to = std::min(to, text.size());
    from = std::min(from, to);
    return std::string_view(text.data() + from, to - from);
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

// A value as the loader read it from the document: the same readers, the same answer.
struct LoadedValue {
    const IniDocument& document;
    const SettingKey& key;
    std::optional<float> number() const { return readNumber(document, key.section, key.key); }
    std::optional<std::int32_t> integer() const { return readInteger(document, key.section, key.key); }
    std::optional<bool> flag() const { return readSwitch(document, key.section, key.key); }
};

// One message from its pieces. A loop, where a chain of `+` would be unrolled at every use:
// the plug-in carries this code too, and its size counts.
std::string join(std::initializer_list<std::string_view> pieces) {
    std::string out;
    for (const std::string_view piece : pieces) out.append(piece.data(), piece.size());
    return out;
}

const char* onOff(bool on) { return on ? "1 (on)" : "0 (off)"; }

// What the loader gives the key when its text is not accepted.
std::string fallbackText(const SettingKey& key, const SettingsRecord& loaded) {
    const SettingsRecord fresh;
    switch (key.fallback) {
        case Fallback::Fixed:
            return join({"the default ", formatNumber(key.fixedDefault)});
        case Fallback::Chained: {
            const SettingKey& from = *findSettingKey(key.section, key.chainedFrom);
            return join({"the value of ", from.key, ", ", formatFieldValue(loaded, from), ","});
        }
        case Fallback::StartValue:
            break;
    }
    if (key.form == ValueForm::Switch || key.form == ValueForm::IntegerSwitch)
        return join({"the default ", onOff(flagField(fresh, key))});
    const std::string value = formatFieldValue(fresh, key);
    return join({"the default ", value.empty() ? std::string_view("(empty)") : std::string_view(value)});
}

bool isCanonicalSwitchWord(std::string_view text) {
    static constexpr std::string_view kWords[] = {"1", "0", "true", "false", "yes", "no", "on", "off"};
    const std::string word = lowerAscii(text);
    return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

std::optional<std::string> checkKeyName(std::string_view text) {
    if (keyCodeOf(text) >= 0) return std::nullopt;
    if (text.empty()) return std::string("is empty, so this key does nothing");
    const std::string message = join({"= \"", text, "\" names no key, so this key does nothing"});
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (keyCodeOf(upper) >= 0) return join({message, "; key names are upper case: did you mean ", upper, "?"});
    std::vector<std::string> names;
    for (const KeyName& k : keyNameTable()) names.emplace_back(k.name);
    const std::string close = closestMatch(text, names);
    if (!close.empty()) return join({message, "; did you mean ", close, "?"});
    return join({message, "; use a letter, a digit or a key name such as F10 or LSHIFT"});
}

// Where and why the reading of a file that cannot be read whole stops; `readable` is the
// text before the break.
std::optional<SettingsFinding> breakFinding(std::string_view bytes, std::string_view readable) {
    const TextBreak broken = decodeSettingsText(bytes).broken;
    if (broken == TextBreak::None) return std::nullopt;
    const char* const kLeftAlone =
        "; the loader reads nothing after it, and the menu's saves leave the file as it is "
        "until it is mended";
    if (broken == TextBreak::Nul && isUtf16WithoutMark(bytes))
        return SettingsFinding{1,
                               "the file is UTF-16 text without a byte-order mark, which Velmora cannot read; the "
                               "menu's saves leave it as it is: save it as UTF-8, or as Unicode in Notepad"};
    // The break sits on the line after the last complete one before it.
    const std::vector<SettingsLine> before = splitSettingsLines(readable);
    const bool lastComplete = readable.empty() || readable.back() == '\n' || readable.back() == '\r';
    const int line = before.empty() ? 1 : before.back().number + (lastComplete ? 1 : 0);
    const char* what = broken == TextBreak::Nul ? "the file holds a NUL byte here"
                       : broken == TextBreak::CutCharacter
                           ? "the UTF-16 text is cut off in the middle of a character here"
                           : "the UTF-16 text holds a broken character here";
    return SettingsFinding{line, join({what, kLeftAlone})};
}

}  // namespace

std::vector<SettingsLine> splitSettingsLines(std::string_view text) {
    std::vector<SettingsLine> lines;
    int number = 1;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r') continue;
        lines.push_back({number++, slice(text, start, i)});
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back({number, slice(text, start)});
    return lines;
}

std::string_view trimSettingsBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string quoted(std::string_view s) { return join({"\"", s, "\""}); }

bool isUtf16WithoutMark(std::string_view bytes) {
    return bytes.size() >= 2 && (bytes[0] == '\0') != (bytes[1] == '\0');  // a mark holds no NUL
}

std::string readableSettingsText(std::string_view bytes) {
    std::string text = decodeSettingsText(bytes).text;
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    return text;
}

std::string closestMatch(std::string_view word, const std::vector<std::string>& candidates) {
    const std::string target = lowerAscii(word);
    std::string best;
    std::size_t bestDistance = 0;
    std::size_t bestLengthGap = 0;
    for (const std::string& c : candidates) {
        const std::size_t d = editDistance(target, lowerAscii(c));
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

std::optional<std::string> checkSettingValue(const SettingKey& key, std::string_view text, const IniDocument& document,
                                             const SettingsRecord& loaded) {
    const LoadedValue value{document, key};
    const std::string_view name = key.key;
    const std::string written = quoted(text);
    const char* const kSwitchWords = "write 1 or 0, true or false, yes or no, on or off";
    switch (key.form) {
        case ValueForm::Number: {
            const auto number = value.number();
            if (!number)
                return join({name, " = ", written, " is not accepted (", numberHint(text), "); the loader uses ",
                             fallbackText(key, loaded), " instead"});
            if (key.clamped && (*number < key.clampMin || *number > key.clampMax))
                return join({name, " = ", text, " is outside ", formatNumber(key.clampMin), " to ",
                             formatNumber(key.clampMax), "; the loader uses ",
                             formatNumber(std::clamp(*number, key.clampMin, key.clampMax))});
            if (key.ranged && (*number < key.rangeMin || *number > key.rangeMax))
                return join({name, " = ", text, " is outside the sensible range ", formatNumber(key.rangeMin), " to ",
                             formatNumber(key.rangeMax), "; the loader takes it as written"});
            return std::nullopt;
        }
        case ValueForm::Integer: {
            const auto integer = value.integer();
            const bool menuKey = name == "menuKeyCode";
            if (!integer) {
                std::string message = join({name, " = ", written, " is not a whole number; the loader uses ",
                                            fallbackText(key, loaded), " instead"});
                if (const std::int32_t code = keyCodeOf(text); menuKey && code >= 0)
                    message = join(
                        {message, "; this key takes a virtual-key code: write ", std::to_string(code), " for ", text});
                return message;
            }
            if (menuKey && (*integer < 1 || *integer > 254))
                return join({name, " = ", text, " is not a virtual-key code (1 to 254), so the menu cannot be opened"});
            return std::nullopt;
        }
        case ValueForm::Switch: {
            const auto flag = value.flag();
            if (!flag)
                return join({name, " = ", written, " is not a switch; the loader uses ", fallbackText(key, loaded),
                             " instead; ", kSwitchWords});
            if (!isCanonicalSwitchWord(text))
                return join({name, " = ", written, " reads as ", onOff(*flag), ": only its first letters count; ",
                             kSwitchWords});
            return std::nullopt;
        }
        case ValueForm::IntegerSwitch:
            if (!value.integer())
                return join({name, " = ", written, " is not a whole number; the loader uses ",
                             fallbackText(key, loaded), " instead; write 1 for on or 0 for off"});
            return std::nullopt;
        case ValueForm::KeyName:
            if (auto problem = checkKeyName(text)) return join({name, " ", *problem});
            return std::nullopt;
    }
    return std::nullopt;
}

std::vector<SettingsFinding> settingsValueFindings(std::string_view bytes) {
    std::vector<SettingsFinding> findings;
    const std::string readable = readableSettingsText(bytes);
    IniDocument document;
    loadIniText(document, readable);  // the loader's own parse, not a second copy of it
    SettingsRecord loaded;
    applySettingsDocument(document, loaded);

    // A key's value is judged where it counts: its last line in its section. Sections and
    // keys match without regard to case; an unclosed header hides what follows it.
    const std::span<const SettingKey> keys = settingKeys();
    std::vector<SettingsLine> last(keys.size());  // by the key's place in the table; line 0: absent
    const char* section = nullptr;                // the schema's spelling of the current settings section, or null
    for (const SettingsLine& line : splitSettingsLines(readable)) {
        const std::string_view t = trimSettingsBlanks(line.text);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t[0] == '[') {
            const std::size_t close = t.find(']');
            section = nullptr;
            if (close == std::string_view::npos) continue;
            const std::string name = lowerAscii(trimSettingsBlanks(slice(t, 1, close)));
            for (const char* s : settingSections())
                if (lowerAscii(s) == name) section = s;
            continue;
        }
        const std::size_t equals = t.find('=');
        if (section == nullptr || equals == std::string_view::npos || equals == 0) continue;
        if (const SettingKey* key = findSettingKey(section, trimSettingsBlanks(slice(t, 0, equals))); key != nullptr)
            last[static_cast<std::size_t>(key - keys.data())] = {line.number, trimSettingsBlanks(slice(t, equals + 1))};
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (last[i].number == 0 || !keys[i].loaded) continue;
        auto problem = checkSettingValue(keys[i], last[i].text, document, loaded);
        if (!problem) continue;
        // In line order; a file has a handful of findings, so a place is found by walking.
        auto at = findings.begin();
        while (at != findings.end() && at->line <= last[i].number) ++at;
        findings.insert(at, SettingsFinding{last[i].number, std::move(*problem)});
    }
    if (auto stop = breakFinding(bytes, readable)) findings.push_back(std::move(*stop));
    return findings;
}

}  // namespace velmora
