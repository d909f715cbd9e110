// The schema's values as text, for the tools and the key reference. Apart from the schema,
// so that the plug-in, which formats no value this way, does not carry the number formatting.
#include <charconv>
#include <string>

#include "config/schema.h"

namespace velmora {

std::string formatNumber(float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string formatFieldValue(const SettingsRecord& settings, const SettingKey& key) {
    switch (key.form) {
        case ValueForm::Number: return formatNumber(numberField(settings, key));
        case ValueForm::Integer: return std::to_string(integerField(settings, key));
        case ValueForm::Switch:
        case ValueForm::IntegerSwitch: return flagField(settings, key) ? "1" : "0";
        case ValueForm::KeyName: return textField(settings, key);
    }
    return "";
}

const char* describeForm(ValueForm form) {
    switch (form) {
        case ValueForm::Number: return "number";
        case ValueForm::Integer: return "whole number (decimal, or hexadecimal after 0x)";
        case ValueForm::Switch: return "switch: 1 or 0, true or false, yes or no, on or off";
        case ValueForm::IntegerSwitch: return "switch: 1 on, 0 off (a whole number; above 0 is on)";
        case ValueForm::KeyName: return "key name";
    }
    return "";
}

}  // namespace velmora
