#include <cstdio>

#include "config/ini.h"
#include "config/schema.h"
#include "ini_tool.h"

namespace velmora::initool {

std::string dumpSettings(const SettingsRecord& settings) {
    std::string out;
    char number[64];
    for (const SettingKey& key : settingKeys()) {
        out += key.section;
        out += '.';
        out += key.key;
        out += '=';
        switch (key.form) {
            case ValueForm::Number:
                std::snprintf(number, sizeof number, "%.9g", static_cast<double>(numberField(settings, key)));
                out += number;
                break;
            case ValueForm::Integer: out += std::to_string(integerField(settings, key)); break;
            case ValueForm::Switch:
            case ValueForm::IntegerSwitch: out += flagField(settings, key) ? "true" : "false"; break;
            case ValueForm::KeyName: out += textField(settings, key); break;
        }
        out += '\n';
    }
    return out;
}

std::string dumpSlots(const std::string& path) {
    IniDocument document;
    if (!loadIniFile(document, path.c_str())) return "";
    std::string out;
    char number[64];
    for (int g = 0; g < kSlotGroupCount; ++g) {
        const auto group = static_cast<SlotGroup>(g);
        for (int n = 1; n <= kSlotsPerGroup; ++n) {
            const std::string section = slotSectionName(group, n);
            if (document.GetSection(section.c_str()) == nullptr) continue;
            for (const SlotKey& key : slotKeys(group)) {
                const auto value = readNumber(document, section.c_str(), key.key);
                if (!value) continue;
                std::snprintf(number, sizeof number, "%.9g", static_cast<double>(*value));
                out += section + "." + key.key + "=" + number + "\n";
            }
        }
    }
    return out;
}

}  // namespace velmora::initool
