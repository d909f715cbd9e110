#include "config/schema.h"

#include <gtest/gtest.h>

#include <string>

#include "config/load.h"

namespace velmora {
namespace {

TEST(Schema, SectionsOfTheLoadedKeysAndTheSaveOrder) {
    std::vector<std::string> sectionOrder;
    int loaded = 0;
    for (const SettingKey& key : settingKeys()) {
        // Save places are unique and run 1..43, which the table checks as it compiles.
        if (key.saveOrder > 0) {
            EXPECT_STREQ(key.section, key.saveOrder <= 19 ? "1stPersonView" : "3rdPersonView") << key.key;
            EXPECT_NE(key.form, ValueForm::KeyName) << key.key;
        }
        if (!key.loaded) continue;
        ++loaded;
        if (sectionOrder.empty() || sectionOrder.back() != key.section) sectionOrder.push_back(key.section);
    }
    EXPECT_EQ(loaded, 87);
    // Each section is read in one run, in file order.
    EXPECT_EQ(sectionOrder, (std::vector<std::string>{"keyMappings", "3rdPersonView", "1stPersonView", "general", "input"}));
    const SettingKey& last = settingKeys().back();
    EXPECT_STREQ(last.key, "InertiaAffectsPitch");
    EXPECT_FALSE(last.loaded);
}

// Every key reaches a field of its own: marking one field through its key changes what
// no other key reads. Catches two rows pointing at one field after a copy and paste.
TEST(Schema, EveryKeyReachesItsOwnField) {
    const auto keys = settingKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        SettingsRecord record;
        const SettingsRecord untouched = record;
        switch (keys[i].form) {
            case ValueForm::Number: *keys[i].field.number(record) = -12345.0f; break;
            case ValueForm::Integer: *keys[i].field.integer(record) = -12345; break;
            case ValueForm::Switch:
            case ValueForm::IntegerSwitch: *keys[i].field.flag(record) = !*keys[i].field.flag(record); break;
            case ValueForm::KeyName: *keys[i].field.text(record) = "marked"; break;
        }
        EXPECT_NE(record, untouched) << keys[i].key;
        for (std::size_t j = 0; j < keys.size(); ++j) {
            if (j == i) continue;
            EXPECT_EQ(formatFieldValue(record, keys[j]), formatFieldValue(untouched, keys[j]))
                << keys[i].section << "." << keys[i].key << " also changes " << keys[j].section << "." << keys[j].key;
        }
    }
}

// The slots' section and key names are the lint's and the key reference's to check.
TEST(Schema, UserSlotsReachTheirCamerasFields) {
    SettingsRecord record;
    for (const SlotKey& key : slotKeys(SlotGroup::Medium)) *key.field(record, Medium) = 1.25f;
    const auto& cams = record.thirdPersonView.perCamera;
    for (const PerCamera* array : {&cams.fov, &cams.distance, &cams.height, &cams.angle, &cams.distanceOffset,
                                   &cams.heightOffset}) {
        EXPECT_EQ((*array)[Medium], 1.25f);
        EXPECT_NE((*array)[Near], 1.25f);
    }
}

TEST(Schema, NumbersFormatShortAndReadBackExactly) {
    for (const float value : {0.4f, 77.5f, -0.04f, 0.007f, 1.0f / 3.0f, 1e-7f, 3.4e38f, 0.0f}) {
        const std::string text = formatNumber(value);
        EXPECT_EQ(std::stof(text), value) << text;
    }
    EXPECT_EQ(formatNumber(0.4f), "0.4");
    EXPECT_EQ(formatNumber(59.0f), "59");
}

}  // namespace
}  // namespace velmora
