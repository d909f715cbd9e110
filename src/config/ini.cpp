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

bool loadIniBytes(IniDocument& document, const std::string& bytes) {
    return document.LoadData(bytes.data(), bytes.size()) >= 0;
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

std::optional<std::int32_t> readInteger(const IniDocument& document, const char* section,
                                        const char* key) {
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

std::optional<std::string> readText(const IniDocument& document, const char* section,
                                    const char* key) {
    const char* value = document.GetValue(section, key, nullptr);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

}  // namespace velmora
