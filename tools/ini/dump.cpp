#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

#include "config/ini.h"
#include "config/schema.h"
#include "ini_tool.h"

namespace velmora::initool {
namespace {

// The shortest text that reads back as the same float: 0.4, not 0.400000006.
std::string shortest(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string jsonText(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Each value as text, for the plain form (`json` off) or as a JSON value.
std::string valueText(const SettingsRecord& settings, const SettingKey& key, bool json) {
    switch (key.form) {
        case ValueForm::Number:
            return shortest(numberField(settings, key));
        case ValueForm::Integer:
            return std::to_string(integerField(settings, key));
        case ValueForm::Switch:
        case ValueForm::IntegerSwitch:
            return flagField(settings, key) ? "true" : "false";
        case ValueForm::KeyName:
            return json ? jsonText(textField(settings, key)) : std::string(textField(settings, key));
    }
    return {};
}

// The slots a file holds: section -> (key, value), in the schema's order.
std::vector<std::pair<std::string, std::vector<std::pair<std::string, float>>>> slotsOf(const std::string& path) {
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, float>>>> slots;
    IniDocument document;
    if (!loadIniFile(document, path.c_str())) return slots;
    for (int g = 0; g < kSlotGroupCount; ++g) {
        const auto group = static_cast<SlotGroup>(g);
        for (int n = 1; n <= kSlotsPerGroup; ++n) {
            const std::string section = slotSectionName(group, n);
            if (document.GetSection(section.c_str()) == nullptr) continue;
            std::vector<std::pair<std::string, float>> values;
            for (const SlotKey& key : slotKeys(group))
                if (const auto value = readNumber(document, section.c_str(), key.key))
                    values.emplace_back(key.key, *value);
            slots.emplace_back(section, std::move(values));
        }
    }
    return slots;
}

}  // namespace

std::string dumpSettings(const SettingsRecord& settings) {
    std::string out;
    for (const SettingKey& key : settingKeys())
        out += std::string(key.section) + "." + key.key + "=" + valueText(settings, key, false) + "\n";
    return out;
}

std::string dumpSlots(const std::string& path) {
    std::string out;
    for (const auto& [section, values] : slotsOf(path))
        for (const auto& [key, value] : values)
            out.append(section).append(".").append(key).append("=").append(shortest(value)).append("\n");
    return out;
}

std::string dumpJson(const SettingsRecord& settings, const std::string& path) {
    // Sections in the order the schema first names them, each key once.
    std::vector<std::pair<std::string, std::string>> sections;
    for (const SettingKey& key : settingKeys()) {
        auto section =
            std::find_if(sections.begin(), sections.end(), [&](const auto& s) { return s.first == key.section; });
        if (section == sections.end()) section = sections.emplace(sections.end(), key.section, "");
        std::string& body = section->second;
        body +=
            std::string(body.empty() ? "" : ",\n") + "    " + jsonText(key.key) + ": " + valueText(settings, key, true);
    }
    std::string out = "{\n";
    for (const auto& [section, body] : sections) out += "  " + jsonText(section) + ": {\n" + body + "\n  },\n";
    out += "  \"slots\": {";
    bool firstSlot = true;
    for (const auto& [section, values] : slotsOf(path)) {
        out += std::string(firstSlot ? "\n" : ",\n") + "    " + jsonText(section) + ": {";
        firstSlot = false;
        for (std::size_t i = 0; i < values.size(); ++i)
            out += std::string(i == 0 ? "" : ", ") + jsonText(values[i].first) + ": " + shortest(values[i].second);
        out += "}";
    }
    out += firstSlot ? "}\n}\n" : "\n  }\n}\n";
    return out;
}

}  // namespace velmora::initool
