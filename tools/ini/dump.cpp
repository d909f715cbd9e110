#include <cstdio>

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

}  // namespace velmora::initool
