// The ini document: SimpleIni for single-byte text with case-insensitive section and key
// names and the library's default options (not UTF-8, one value per key, no multi-line
// values, blanks around "=" when written). Every read or write of the settings file builds
// a fresh document, uses it and drops it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The library's implementation is templates: each unit instantiates only the members it
// uses, so the plug-in carries none of the document calls that only the tools make.
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace velmora {

using IniDocument = CSimpleIniA;

// The most a settings file may hold. A real one is a few KiB; a larger file, or one that
// never ends (a device), counts as one that cannot be read, and nothing is loaded from part
// of it.
inline constexpr std::size_t kMaxSettingsFileBytes = std::size_t{16} << 20;

// The bytes of the file at path: nothing when it cannot be opened or read to its end (a
// folder opens but does not read), or holds more than kMaxSettingsFileBytes. `missing`, when
// given, tells whether that was because there is no such file.
std::optional<std::string> readSettingsBytes(const char* path, bool* missing = nullptr);

// How a settings file's bytes are written. Notepad saves "Unicode" as UTF-16 with its mark.
enum class TextEncoding : std::uint8_t { SingleByte, Utf16LE, Utf16BE };

// Why the reading of a file stopped before its end.
enum class TextBreak : std::uint8_t {
    None,          // read whole
    Nul,           // a NUL byte in single-byte text, or a NUL character in UTF-16 text
    CutCharacter,  // UTF-16 text with an odd number of bytes: its last character is cut off
    BadSurrogate,  // UTF-16 text with half a surrogate pair
};

// A settings file's text as the ini library reads it: single-byte text as it is, UTF-16 text
// (with its byte-order mark) converted to UTF-8. A file that cannot be read whole gives the
// text before the break: the loader takes that part, and a save never writes over the file.
struct SettingsText {
    std::string text;
    TextEncoding encoding = TextEncoding::SingleByte;
    TextBreak broken = TextBreak::None;
};
SettingsText decodeSettingsText(std::string_view bytes);

// Loads text already decoded into the document; false when the library refuses it.
bool loadIniText(IniDocument& document, const std::string& text);

// Loads the bytes of a settings file into the document, decoded as above; false when the
// library refuses them.
bool loadIniBytes(IniDocument& document, const std::string& bytes);

// Loads the file at path into the document, read by readSettingsBytes. False when the file
// cannot be read or the library reports an error.
bool loadIniFile(IniDocument& document, const char* path);

// Writes the whole document to path through the library's file writer, without a
// byte-order mark. False when the file cannot be opened for writing.
bool saveIniFile(const IniDocument& document, const char* path);

// The value readers, on top of the library's own: each answers nothing when the key is
// absent or its text is not accepted by the form.
//   number: the whole text one decimal floating-point number of at most 63 characters,
//           finite once narrowed to float ("nan", "inf" and "1e999" are not accepted);
//   integer: decimal with optional sign or hexadecimal after "0x", the whole text, at most
//           63 characters; saturated to the 32-bit range as the Windows runtime does;
//   switch: the library's boolean reading of the first one or two characters.
std::optional<float> readNumber(const IniDocument& document, const char* section, const char* key);
std::optional<std::int32_t> readInteger(const IniDocument& document, const char* section, const char* key);
std::optional<bool> readSwitch(const IniDocument& document, const char* section, const char* key);
std::optional<std::string> readText(const IniDocument& document, const char* section, const char* key);

}  // namespace velmora
