// The one description of the settings file: every key with its section, value form, load
// default (or chained default), clamp, the field it fills, its place in the save action and
// a line of help. The loader, the save action, the velmora-ini tool, the shipped default
// ini and the key reference are all driven by this table.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "config/settings.h"

namespace velmora {

inline constexpr const char* kSettingsFileName = "Velmora.ini";

enum class ValueForm : std::uint8_t {
    Number,         // one floating-point number, read as a double and narrowed to float
    Integer,        // decimal, or hexadecimal after 0x
    Switch,         // 1/0, true/false, yes/no, on/off (only the first letters are read)
    IntegerSwitch,  // an integer; on when greater than 0
    KeyName,        // a key name, taken verbatim
};

// What a load gives a field whose key is absent or whose text is not accepted.
enum class Fallback : std::uint8_t {
    StartValue,  // the field's value in a fresh SettingsRecord
    Fixed,       // SettingKey::fixedDefault (the dynamic field of view keys start at 0)
    Chained,     // the value this same load gave to SettingKey::chainedFrom
};

// How a key reaches its field; exactly one accessor is set, matching the form.
struct FieldAccess {
    float* (*number)(SettingsRecord&) = nullptr;
    std::int32_t* (*integer)(SettingsRecord&) = nullptr;
    bool* (*flag)(SettingsRecord&) = nullptr;
    std::string* (*text)(SettingsRecord&) = nullptr;
};

struct SettingKey {
    const char* section;
    const char* key;
    ValueForm form;
    FieldAccess field;
    Fallback fallback = Fallback::StartValue;
    float fixedDefault = 0.0f;
    const char* chainedFrom = nullptr;  // a key of the same section, read earlier
    bool clamped = false;
    float clampMin = 0.0f;
    float clampMax = 0.0f;
    // The values that make sense (a wider one is taken as written, but velmora-ini check warns).
    bool ranged = false;
    float rangeMin = 0.0f;
    float rangeMax = 0.0f;
    int saveOrder = 0;   // 1-based place in the save action; 0 = never written by it
    bool loaded = true;  // false: written by the save action, never read back
    const char* help = "";
};

// Every key: the 87 the loader reads, in its order, then the one it only writes.
std::span<const SettingKey> settingKeys();

// The menu's "save everything" writes this many keys, by their saveOrder 1..43.
inline constexpr int kSavedSettingCount = 43;
const SettingKey* savedSettingKey(int place);  // null outside 1..43

// The sections the loader reads, in file order.
std::span<const char* const> settingSections();

// A key by section and name, compared without regard to letter case; null when unknown.
const SettingKey* findSettingKey(std::string_view section, std::string_view key);

// User slots: sections named "Preset.<group>.Slot<n>" holding a copy of a group of values.
enum class SlotGroup : std::int32_t { FirstPerson = 0, Near = 1, Medium = 2, Far = 3 };
inline constexpr int kSlotGroupCount = 4;
inline constexpr int kSlotsPerGroup = 3;

struct SlotKey {
    const char* key;
    float* (*field)(SettingsRecord&, CameraIndex);  // the index is ignored for first person
    const char* help;
};

const char* slotGroupName(SlotGroup group);
std::string slotSectionName(SlotGroup group, int slot);  // slot 1..3
std::span<const SlotKey> slotKeys(SlotGroup group);

// Reads a field through the table without needing a mutable record.
float numberField(const SettingsRecord& settings, const SettingKey& key);
std::int32_t integerField(const SettingsRecord& settings, const SettingKey& key);
bool flagField(const SettingsRecord& settings, const SettingKey& key);
const std::string& textField(const SettingsRecord& settings, const SettingKey& key);

// The shortest text that reads back as exactly this float ("0.4", "77.5", "-0.04").
std::string formatNumber(float value);

// The field's value as a settings file would hold it: shortest round-trip number text,
// "1"/"0" for switches, decimal integers, key names verbatim.
std::string formatFieldValue(const SettingsRecord& settings, const SettingKey& key);

const char* describeForm(ValueForm form);

}  // namespace velmora
