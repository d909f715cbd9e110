#include "trace_compare.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <istream>
#include <optional>
#include <sstream>

namespace velmora::winetest {
namespace {

constexpr std::array<std::string_view, 7> kCameraColumns = {"camX",    "camY",   "camZ",  "camPitch",
                                                            "camRoll", "camYaw", "camFov"};
constexpr std::array<std::string_view, 5> kVehicleColumns = {"vehX", "vehY", "vehZ", "vehYaw", "speed"};
constexpr std::array<std::string_view, 4> kAngleColumns = {"camPitch", "camRoll", "camYaw", "vehYaw"};

// The binary rounding of decimal text: one unit apart must count as one unit.
constexpr double kDecimalSlack = 1e-9;

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// One unit in the last printed place: 1e-4 for "12.3456".
double lastPlace(const std::string& text) {
    const std::size_t point = text.find('.');
    const int decimals = point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
    return std::pow(10.0, -decimals);
}

std::vector<std::string> readLines(std::istream& in) {
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, ',')) fields.push_back(field);
    if (!line.empty() && line.back() == ',') fields.emplace_back();
    return fields;
}

std::optional<double> number(const std::string& text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

double angleBetween(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

}  // namespace

ColumnRule ruleOf(std::string_view column) {
    if (contains(kCameraColumns, column)) return ColumnRule::Camera;
    if (contains(kVehicleColumns, column)) return ColumnRule::LastDigit;
    return ColumnRule::Exact;
}

bool isAngleColumn(std::string_view column) { return contains(kAngleColumns, column); }

bool numbersAgree(const std::string& a, const std::string& b, ColumnRule rule, bool angle, double& difference) {
    if (rule == ColumnRule::Exact) return a == b;
    const auto x = number(a);
    const auto y = number(b);
    if (!x || !y) return false;
    difference = angle ? angleBetween(*x, *y) : std::fabs(*x - *y);
    const double unit = std::max(lastPlace(a), lastPlace(b));
    const double tolerance = rule == ColumnRule::Camera ? kCameraTolerance + unit : unit;
    return difference <= tolerance + kDecimalSlack;
}

TraceComparison compareTraces(std::istream& expected, std::istream& actual) {
    TraceComparison result;
    const std::vector<std::string> reference = readLines(expected);
    const std::vector<std::string> wine = readLines(actual);
    if (reference.empty() || wine.empty()) {
        result.problem = reference.empty() ? "the Linux trace is empty" : "the Windows trace is empty";
        return result;
    }
    if (reference.front() != wine.front()) {
        result.problem = "the headers differ:\n  Linux:   " + reference.front() + "\n  Windows: " + wine.front();
        return result;
    }
    if (reference.size() != wine.size()) {
        result.problem = "the Linux trace has " + std::to_string(reference.size() - 1) + " rows, the Windows trace " +
                         std::to_string(wine.size() - 1);
        return result;
    }
    const std::vector<std::string> columns = splitFields(reference.front());
    for (std::size_t line = 1; line < reference.size(); ++line) {
        const std::vector<std::string> a = splitFields(reference[line]);
        const std::vector<std::string> b = splitFields(wine[line]);
        int frame = -1;
        if (const auto first = a.empty() ? std::nullopt : number(a.front())) frame = static_cast<int>(*first);
        if (a.size() != columns.size() || b.size() != columns.size()) {
            result.differences.push_back({frame, "(row)", reference[line], wine[line]});
            continue;
        }
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (a[c] == b[c]) continue;
            const ColumnRule rule = ruleOf(columns[c]);
            double difference = 0.0;
            const bool agree = numbersAgree(a[c], b[c], rule, isAngleColumn(columns[c]), difference);
            if (rule == ColumnRule::Camera)
                result.largestCameraDifference = std::max(result.largestCameraDifference, difference);
            if (!agree) result.differences.push_back({frame, columns[c], a[c], b[c]});
        }
    }
    result.rows = static_cast<int>(reference.size()) - 1;
    return result;
}

std::string describe(const TraceComparison& comparison, std::size_t maxDifferences) {
    std::ostringstream out;
    if (!comparison.problem.empty()) {
        out << "traces differ in shape: " << comparison.problem << "\n";
        return out.str();
    }
    char largest[32];
    std::snprintf(largest, sizeof largest, "%.2g", comparison.largestCameraDifference);
    if (comparison.agree()) {
        out << "traces agree: " << comparison.rows << " rows; camera columns within " << kCameraTolerance
            << " (largest printed difference " << largest << "), the vehicle's within its last printed digit, "
            << "every other column equal\n";
        return out.str();
    }
    out << comparison.differences.size() << " differences in " << comparison.rows << " rows (Linux | Windows):\n";
    for (std::size_t i = 0; i < comparison.differences.size() && i < maxDifferences; ++i) {
        const TraceDifference& d = comparison.differences[i];
        out << "  frame " << d.frame << ", " << d.column << ": " << d.expected << " | " << d.actual << "\n";
    }
    if (comparison.differences.size() > maxDifferences) out << "  ...\n";
    return out.str();
}

}  // namespace velmora::winetest
