#include "config/schema.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "config/load.h"

namespace velmora {
namespace {

TEST(Schema, SectionsAndCountsOfTheLoadedKeys) {
    std::map<std::string, int> perSection;
    std::vector<std::string> sectionOrder;
    int loaded = 0;
    for (const SettingKey& key : settingKeys()) {
        if (!key.loaded) continue;
        ++loaded;
        if (sectionOrder.empty() || sectionOrder.back() != key.section) sectionOrder.push_back(key.section);
        ++perSection[key.section];
    }
    EXPECT_EQ(loaded, 87);
    // Each section is read in one run, in file order.
    EXPECT_EQ(sectionOrder, (std::vector<std::string>{"keyMappings", "3rdPersonView", "1stPersonView", "general", "input"}));
    EXPECT_EQ(perSection["keyMappings"], 5);
    EXPECT_EQ(perSection["3rdPersonView"], 31);
    EXPECT_EQ(perSection["1stPersonView"], 46);
    EXPECT_EQ(perSection["general"], 1);
    EXPECT_EQ(perSection["input"], 4);

    const SettingKey& last = settingKeys().back();
    EXPECT_STREQ(last.key, "InertiaAffectsPitch");
    EXPECT_STREQ(last.section, "3rdPersonView");
    EXPECT_FALSE(last.loaded);
}

TEST(Schema, TheSaveActionWritesFirstPersonThenThirdPerson) {
    std::map<int, const SettingKey*> byPlace;
    for (const SettingKey& key : settingKeys())
        if (key.saveOrder > 0) byPlace[key.saveOrder] = &key;
    ASSERT_EQ(byPlace.size(), 43u);
    for (int place = 1; place <= 43; ++place) {
        ASSERT_TRUE(byPlace.count(place)) << place;
        EXPECT_STREQ(byPlace[place]->section, place <= 19 ? "1stPersonView" : "3rdPersonView") << place;
        EXPECT_NE(byPlace[place]->form, ValueForm::KeyName);
    }
    EXPECT_STREQ(byPlace[1]->key, "fov");
    EXPECT_STREQ(byPlace[19]->key, "ShakeRotation");
    EXPECT_STREQ(byPlace[20]->key, "fov");
    EXPECT_STREQ(byPlace[25]->key, "InertiaAffectsPitch");
    EXPECT_STREQ(byPlace[43]->key, "heightOffsetFar");
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

TEST(Schema, PerCameraKeysAreTheElementsOfTheArrays) {
    SettingsRecord record;
    *findSettingKey("3rdPersonView", "distanceMedium")->field.number(record) = 4.5f;
    EXPECT_EQ(record.thirdPersonView.perCamera.distance[Medium], 4.5f);
    record.thirdPersonView.perCamera.heightOffset[Far] = -7.0f;
    EXPECT_EQ(numberField(record, *findSettingKey("3rdPersonView", "heightOffsetFar")), -7.0f);
}

TEST(Schema, LookupIgnoresLetterCaseAndKeepsTheTwoFovsApart) {
    ASSERT_NE(findSettingKey("1STPERSONVIEW", "FOV"), nullptr);
    EXPECT_EQ(findSettingKey("1stpersonview", "fov"), findSettingKey("1stPersonView", "fov"));
    EXPECT_NE(findSettingKey("1stPersonView", "fov"), findSettingKey("3rdPersonView", "fov"));
    EXPECT_EQ(findSettingKey("1stPersonView", "distanceNear"), nullptr);
    EXPECT_EQ(findSettingKey("nosuch", "fov"), nullptr);
}

TEST(Schema, UserSlots) {
    EXPECT_EQ(slotSectionName(SlotGroup::Near, 2), "Preset.Near.Slot2");
    EXPECT_EQ(slotSectionName(SlotGroup::FirstPerson, 1), "Preset.FirstPerson.Slot1");
    EXPECT_EQ(slotKeys(SlotGroup::FirstPerson).size(), 7u);
    EXPECT_EQ(slotKeys(SlotGroup::Far).size(), 6u);

    SettingsRecord record;
    for (const SlotKey& key : slotKeys(SlotGroup::Medium)) *key.field(record, Medium) = 1.25f;
    const auto& cams = record.thirdPersonView.perCamera;
    for (const PerCamera* array : {&cams.fov, &cams.distance, &cams.height, &cams.angle, &cams.distanceOffset,
                                   &cams.heightOffset}) {
        EXPECT_EQ((*array)[Medium], 1.25f);
        EXPECT_NE((*array)[Near], 1.25f);
    }
    // yawOffset is not part of a first-person slot.
    std::set<std::string> firstPersonKeys;
    for (const SlotKey& key : slotKeys(SlotGroup::FirstPerson)) firstPersonKeys.insert(key.key);
    EXPECT_EQ(firstPersonKeys.count("yawOffset"), 0u);
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
