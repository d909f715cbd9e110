// The schema's values as text, for the tools, the key reference and the plug-in's log.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/schema.h"

namespace velmora {

// The C++ library's shortest float formatting would add some 170 KB to the plug-in; this
// finds the same text with printf: the fewest significant digits that read back as the
// value, then fixed or scientific notation, whichever is shorter (fixed on a tie).
std::string formatNumber(float value) {
    const bool negative = std::signbit(value);
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return negative ? "-inf" : "inf";
    const double magnitude = negative ? -static_cast<double>(value) : static_cast<double>(value);
    std::string sign = negative ? "-" : "";
    if (magnitude == 0.0) return sign + "0";

    // The fewest digits, and for that count the nearest text, that read back as the value.
    // Beside a power of two the nearest text of a count can miss while its neighbour reads
    // back, so both neighbours are tried too.
    const float target = static_cast<float>(magnitude);
    std::string mantissa;
    int exponent = 0;
    char buffer[48];
    for (int digits = 1; digits <= 9 && mantissa.empty(); ++digits) {
        std::snprintf(buffer, sizeof buffer, "%.*e", digits - 1, magnitude);
        // buffer: d[.ddd]e±x, the exponent in as many digits as the C library writes.
        std::string nearest;
        const char* p = buffer;
        for (; *p != 'e'; ++p)
            if (*p != '.') nearest += *p;
        const int e = std::atoi(p + 1);
        if (std::strtof(buffer, nullptr) == target) {
            mantissa = nearest;
            exponent = e;
            break;
        }
        const long long m = std::atoll(nearest.c_str());
        double bestGap = 0.0;
        for (const long long candidate : {m - 1, m + 1}) {
            char text[48];
            std::snprintf(text, sizeof text, "%llde%d", candidate, e - digits + 1);
            const std::string candidateDigits = std::to_string(candidate);
            if (static_cast<int>(candidateDigits.size()) != digits || std::strtof(text, nullptr) != target) continue;
            const double gap = std::fabs(std::strtod(text, nullptr) - magnitude);
            if (mantissa.empty() || gap < bestGap) {
                mantissa = candidateDigits;
                exponent = e;
                bestGap = gap;
            }
        }
    }
    while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
    const int count = static_cast<int>(mantissa.size());

    std::string fixed;
    if (exponent < 0) {
        fixed = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + mantissa;
    } else if (exponent + 1 >= count) {
        // A whole number: written with all its digits, as it is exactly (not the shortest
        // digits padded with zeros); the length is the same either way.
        char whole[48];
        std::snprintf(whole, sizeof whole, "%.0f", magnitude);
        fixed = whole;
    } else {
        fixed = mantissa;
        fixed.insert(fixed.begin() + exponent + 1, '.');  // not by index: no range errors linked
    }
    std::string scientific(1, mantissa[0]);
    if (count > 1) scientific += "." + std::string(mantissa.begin() + 1, mantissa.end());
    char tail[16];
    std::snprintf(tail, sizeof tail, "e%c%02d", exponent < 0 ? '-' : '+', exponent < 0 ? -exponent : exponent);
    scientific += tail;
    return sign + (scientific.size() < fixed.size() ? scientific : fixed);
}

std::string formatFieldValue(const SettingsRecord& settings, const SettingKey& key) {
    switch (key.form) {
        case ValueForm::Number:
            return formatNumber(numberField(settings, key));
        case ValueForm::Integer:
            return std::to_string(integerField(settings, key));
        case ValueForm::Switch:
        case ValueForm::IntegerSwitch:
            return flagField(settings, key) ? "1" : "0";
        case ValueForm::KeyName:
            return textField(settings, key);
    }
    return "";
}

const char* describeForm(ValueForm form) {
    switch (form) {
        case ValueForm::Number:
            return "number";
        case ValueForm::Integer:
            return "whole number (decimal, or hexadecimal after 0x)";
        case ValueForm::Switch:
            return "switch: 1 or 0, true or false, yes or no, on or off";
        case ValueForm::IntegerSwitch:
            return "switch: 1 on, 0 off (a whole number; above 0 is on)";
        case ValueForm::KeyName:
            return "key name";
    }
    return "";
}

}  // namespace velmora
