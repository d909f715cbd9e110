#include "config/load.h"

#include <algorithm>
#include <utility>

#include "config/schema.h"

namespace velmora {
namespace {

float numberFallback(const SettingKey& key, const SettingsRecord& fresh, const SettingsRecord& loading) {
    switch (key.fallback) {
        case Fallback::Fixed:
            return key.fixedDefault;
        case Fallback::Chained:
            return numberField(loading, *findSettingKey(key.section, key.chainedFrom));
        case Fallback::StartValue:
            break;
    }
    return numberField(fresh, key);
}

}  // namespace

void applySettingsDocument(const IniDocument& document, SettingsRecord& settings) {
    const SettingsRecord fresh;  // start values: the default of every key without another
    for (const SettingKey& key : settingKeys()) {
        if (!key.loaded) continue;
        switch (key.form) {
            case ValueForm::Number: {
                float value = readNumber(document, key.section, key.key).value_or(numberFallback(key, fresh, settings));
                if (key.clamped) value = std::clamp(value, key.clampMin, key.clampMax);
                *key.field.number(settings) = value;
                break;
            }
            case ValueForm::Integer:
                *key.field.integer(settings) =
                    readInteger(document, key.section, key.key).value_or(integerField(fresh, key));
                break;
            case ValueForm::Switch:
                *key.field.flag(settings) = readSwitch(document, key.section, key.key).value_or(flagField(fresh, key));
                break;
            case ValueForm::IntegerSwitch: {
                const std::int32_t fallback = flagField(fresh, key) ? 1 : 0;
                *key.field.flag(settings) = readInteger(document, key.section, key.key).value_or(fallback) > 0;
                break;
            }
            case ValueForm::KeyName:
                *key.field.text(settings) = readText(document, key.section, key.key).value_or(textField(fresh, key));
                break;
        }
    }
}

bool loadSettingsFile(SettingsRecord& settings, const LoadNotifier& notifier, const char* path, LoadOutcome* outcome) {
    bool missing = false;
    std::optional<std::string> bytes = readSettingsBytes(path, &missing);
    IniDocument document;
    if (outcome != nullptr) outcome->missing = missing;
    // A file that cannot be read whole gives what comes before the break, as it always has;
    // the log and the checker say where it stops, and saves leave such a file alone.
    const SettingsText text = bytes ? decodeSettingsText(*bytes) : SettingsText{};
    if (!bytes || !loadIniText(document, text.text)) {
        if (notifier.notify != nullptr) notifier.notify(notifier.context, kSettingsNotFoundMessage);
        return false;
    }
    applySettingsDocument(document, settings);
    if (outcome != nullptr) {
        outcome->bytes = std::move(*bytes);
        outcome->encoding = text.encoding;
        outcome->broken = text.broken;
    }
    return true;
}

SettingsRecord loadDefaults() {
    const IniDocument empty;
    SettingsRecord settings;
    applySettingsDocument(empty, settings);
    return settings;
}

}  // namespace velmora
