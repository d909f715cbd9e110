// Reading and writing the settings file through the ini document.
#include "config/ini.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace velmora {

std::optional<std::string> readSettingsBytes(const char* path, bool* missing) {
    std::FILE* file = std::fopen(path, "rb");
    if (missing != nullptr) *missing = file == nullptr && errno == ENOENT;
    if (file == nullptr) return std::nullopt;
    // Read to the end rather than trusting the file's reported size: some paths open but are
    // not files (a folder reports an absurd size and then fails to read, a device never ends).
    std::string bytes;
    char chunk[4096];
    std::size_t got;
    bool tooLarge = false;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (bytes.size() + got > kMaxSettingsFileBytes) {
            tooLarge = true;
            break;
        }
        bytes.append(chunk, got);
    }
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError || tooLarge) return std::nullopt;
    return bytes;
}

namespace {

void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    const int tail = c < 0x800 ? 1 : (c < 0x10000 ? 2 : 3);
    static constexpr unsigned char kLead[] = {0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[tail - 1] | (c >> (6 * tail)));
    for (int i = tail - 1; i >= 0; --i) out += static_cast<char>(0x80 | ((c >> (6 * i)) & 0x3F));
}

// UTF-16 after its mark, to UTF-8; stops at the first unit it cannot take.
void decodeUtf16(std::string_view bytes, bool bigEndian, SettingsText& out) {
    const auto unitAt = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<std::uint32_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    };
    out.text.reserve(bytes.size() / 2);
    std::size_t i = 2;
    for (; i + 1 < bytes.size(); i += 2) {
        std::uint32_t c = unitAt(i);
        if (c == 0) {
            out.broken = TextBreak::Nul;
            return;
        }
        if (c >= 0xD800 && c <= 0xDFFF) {
            if (c <= 0xDBFF && i + 3 >= bytes.size()) {  // the pair's second half is not there
                out.broken = TextBreak::CutCharacter;
                return;
            }
            const std::uint32_t low = c <= 0xDBFF ? unitAt(i + 2) : 0;
            if (low < 0xDC00 || low > 0xDFFF) {
                out.broken = TextBreak::BadSurrogate;
                return;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        appendUtf8(out.text, c);
    }
    if (i < bytes.size()) out.broken = TextBreak::CutCharacter;  // one byte of a unit left over
}

}  // namespace

SettingsText decodeSettingsText(std::string_view bytes) {
    SettingsText out;
    const bool little = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
    const bool big = bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF';
    if (little || big) {
        out.encoding = little ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
        decodeUtf16(bytes, big, out);
        return out;
    }
    // Single-byte text: the ini library would stop at a NUL anyway.
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos) out.broken = TextBreak::Nul;
    out.text.assign(bytes.data(), nul == std::string_view::npos ? bytes.size() : nul);
    return out;
}

bool loadIniText(IniDocument& document, const std::string& text) {
    return document.LoadData(text.data(), text.size()) >= 0;
}

bool loadIniBytes(IniDocument& document, const std::string& bytes) {
    return loadIniText(document, decodeSettingsText(bytes).text);
}

bool loadIniFile(IniDocument& document, const char* path) {
    const std::optional<std::string> bytes = readSettingsBytes(path);
    return bytes && loadIniBytes(document, *bytes);
}

bool saveIniFile(const IniDocument& document, const char* path) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    const SI_Error result = document.SaveFile(file, false);
    const bool closed = std::fclose(file) == 0;
    return result >= 0 && closed;
}

std::optional<float> readNumber(const IniDocument& document, const char* section, const char* key) {
    // NaN as the library's default: a rejected text and a "nan" text both come back
    // non-finite, and neither may reach a camera.
    const double value = document.GetDoubleValue(section, key, std::numeric_limits<double>::quiet_NaN());
    if (!std::isfinite(value)) return std::nullopt;
    const auto narrowed = static_cast<float>(value);
    if (!std::isfinite(narrowed)) return std::nullopt;
    return narrowed;
}

std::optional<std::int32_t> readInteger(const IniDocument& document, const char* section, const char* key) {
    // The library answers its default for a rejected text; two different defaults tell a
    // rejection apart from a text that really says 0 or 1.
    const long first = document.GetLongValue(section, key, 0);
    const long second = document.GetLongValue(section, key, 1);
    if (first != second) return std::nullopt;
    constexpr long kMin = std::numeric_limits<std::int32_t>::min();
    constexpr long kMax = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(first < kMin ? kMin : (first > kMax ? kMax : first));
}

std::optional<bool> readSwitch(const IniDocument& document, const char* section, const char* key) {
    const bool first = document.GetBoolValue(section, key, false);
    const bool second = document.GetBoolValue(section, key, true);
    if (first != second) return std::nullopt;
    return first;
}

std::optional<std::string> readText(const IniDocument& document, const char* section, const char* key) {
    const char* value = document.GetValue(section, key, nullptr);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

}  // namespace velmora
