#include "config/schema.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "config/load.h"

namespace velmora {
namespace {

// Every key reaches a field of its own: marking one field through its key changes what
// no other key reads. Catches two rows pointing at one field after a copy and paste.
TEST(Schema, EveryKeyReachesItsOwnField) {
    const auto keys = settingKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        SettingsRecord record;
        const SettingsRecord untouched = record;
        switch (keys[i].form) {
            case ValueForm::Number:
                *keys[i].field.number(record) = -12345.0f;
                break;
            case ValueForm::Integer:
                *keys[i].field.integer(record) = -12345;
                break;
            case ValueForm::Switch:
            case ValueForm::IntegerSwitch:
                *keys[i].field.flag(record) = !*keys[i].field.flag(record);
                break;
            case ValueForm::KeyName:
                *keys[i].field.text(record) = "marked";
                break;
        }
        EXPECT_NE(record, untouched) << keys[i].key;
        for (std::size_t j = 0; j < keys.size(); ++j) {
            if (j == i) continue;
            EXPECT_EQ(formatFieldValue(record, keys[j]), formatFieldValue(untouched, keys[j]))
                << keys[i].section << "." << keys[i].key << " also changes " << keys[j].section << "." << keys[j].key;
        }
    }
}

// The plug-in formats numbers with printf (the library's shortest formatting is too large to
// carry); the library's std::to_chars is the independent judge of what the shortest text is.
TEST(Schema, NumbersFormatAsTheLibrarysShortestFormDoes) {
    auto library = [](float value) {
        char buffer[64];
        return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
    };
    for (const float value : {0.4f,
                              59.0f,
                              77.5f,
                              -0.04f,
                              0.007f,
                              1.0f / 3.0f,
                              1e-7f,
                              3.4e38f,
                              0.0f,
                              1500.0f,
                              1e5f,
                              123456.0f,
                              1e7f,
                              1.5e-5f,
                              0.0001f,
                              -0.0f,
                              1e-45f,
                              std::numeric_limits<float>::max(),
                              std::numeric_limits<float>::min(),
                              8388608.0f,
                              16777216.0f,
                              9.999999e-5f,
                              1e10f})
        EXPECT_EQ(formatNumber(value), library(value)) << library(value);
    // Every exponent, random mantissas: the rare boundary cases sit at powers of two.
    std::mt19937 random(20261206);
    int differ = 0;
    for (int i = 0; i < 100000; ++i) {
        std::uint32_t bits = static_cast<std::uint32_t>(random());
        if (i % 4 == 0) bits &= 0xFF800000u | (bits & 3u);  // at or beside a power of two
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        if (formatNumber(value) != library(value) && ++differ <= 5)
            ADD_FAILURE() << std::hexfloat << value << ": " << formatNumber(value) << " against " << library(value);
    }
    EXPECT_EQ(differ, 0);
}

}  // namespace
}  // namespace velmora
