// What the loader makes of each value in a settings file, in words a player can act on.
// The plug-in writes these to its log and velmora-ini check prints them, so both say the
// same thing about the same line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/ini.h"
#include "config/schema.h"
#include "config/settings.h"

namespace velmora {

struct SettingsFinding {
    int line = 0;         // 1-based line of the file
    std::string message;  // what is wrong, what the loader does instead, and a hint
};

// A line of a settings file, as the ini library splits them: at "\n", "\r\n" or a lone "\r".
struct SettingsLine {
    int number = 0;
    std::string_view text;
};
std::vector<SettingsLine> splitSettingsLines(std::string_view text);

// The ini library's blanks trimmed from both ends.
std::string_view trimSettingsBlanks(std::string_view s);
std::string lowerAscii(std::string_view s);
std::string quoted(std::string_view s);

// The part of a file the loader reads, as text: UTF-16 converted to UTF-8, up to a break
// (decodeSettingsText), without a UTF-8 mark.
std::string readableSettingsText(std::string_view bytes);
// UTF-16 text without its byte-order mark (a NUL in every other byte from the start), which
// is read as single-byte text up to its first NUL: nothing of it.
bool isUtf16WithoutMark(std::string_view bytes);

// The closest of the candidates to word, ignoring letter case; empty when none is close.
std::string closestMatch(std::string_view word, const std::vector<std::string>& candidates);

// Why a number text was not accepted, as a hint for the player.
std::string numberHint(std::string_view text);

// The finding for one value of a settings key, if any: not accepted (and what the loader
// uses instead), clamped, outside the sensible range, a switch read from its first
// letters, a key name that names no key. `text` is the value as written, `document` the
// file as the loader read it, `loaded` the record it gives.
std::optional<std::string> checkSettingValue(const SettingKey& key, std::string_view text, const IniDocument& document,
                                             const SettingsRecord& loaded);

// The findings for every value of the settings sections that the loader takes (the last
// of a key given twice), in line order; last, for a file that cannot be read whole, the line
// where the reading stops. Unknown sections and keys are the checker's business, not the loader's.
std::vector<SettingsFinding> settingsValueFindings(std::string_view bytes);

}  // namespace velmora
