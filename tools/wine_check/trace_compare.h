// Compares a trace written under Wine with the Linux simulator's trace of the same run.
// The two builds link different maths libraries, whose results differ in their last bits,
// so numbers that pass through them may differ a little:
//   - the camera columns by kCameraTolerance;
//   - the vehicle's pose and speed, which the simulated world computes, only by the
//     rounding of the last printed digit;
// and every other column must match to the character. Since the trace prints rounded
// numbers, each tolerance is widened by one unit in the last printed place.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::winetest {

inline constexpr double kCameraTolerance = 1e-4;

enum class ColumnRule {
    Exact,      // the same text
    LastDigit,  // numbers one unit in the last printed place apart at most
    Camera,     // numbers kCameraTolerance apart, plus one unit in the last printed place
};
ColumnRule ruleOf(std::string_view column);
bool isAngleColumn(std::string_view column);  // compared the short way round the circle

// Whether two printed numbers agree under a rule; text that is not a finite number never
// does. `difference` receives their distance when both are numbers.
bool numbersAgree(const std::string& a, const std::string& b, ColumnRule rule, bool angle, double& difference);

struct TraceDifference {
    int frame = 0;  // the row's frame column, or -1 when the row has none
    std::string column;
    std::string expected;  // Linux
    std::string actual;    // Windows
};

struct TraceComparison {
    std::string problem;  // a difference of shape (header, row count): nothing compared
    std::vector<TraceDifference> differences;
    int rows = 0;                        // rows compared
    double largestCameraDifference = 0;  // of the camera columns that agreed or not
    bool agree() const { return problem.empty() && differences.empty(); }
};

TraceComparison compareTraces(std::istream& expected, std::istream& actual);

// A short report: the verdict, the shape problem or the first differences.
std::string describe(const TraceComparison& comparison, std::size_t maxDifferences = 20);

}  // namespace velmora::winetest
