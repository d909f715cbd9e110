#include "trace_compare.h"

#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace velmora::winetest {
namespace {

// A trace with the real column names, cut to the columns that matter here: the frame, a
// vehicle coordinate, the camera position, its rotation, the field of view and a count.
const std::string kHeader = "frame,vehX,camX,camY,camZ,camPitch,camRoll,camYaw,camFov,nativeCalls";

std::string row(int frame, const std::string& vehX, const std::string& camX, const std::string& camYaw,
                const std::string& calls = "40") {  // the rest as in every row
    return std::to_string(frame) + "," + vehX + "," + camX + ",2.00000,3.00000,-4.5000,0.0000," + camYaw + ",77.5000," +
           calls;
}

std::string trace(std::initializer_list<std::string> rows, const char* lineEnd = "\n") {
    std::string text = kHeader + lineEnd;
    for (const std::string& r : rows) text += r + lineEnd;
    return text;
}

TraceComparison compare(const std::string& reference, const std::string& windows) {
    std::istringstream a(reference), b(windows);
    return compareTraces(a, b);
}

TEST(TraceCompare, IdenticalTracesAgreeWhateverTheLineEndings) {
    const auto rows = {row(0, "1.00000", "5.00000", "10.0000"), row(1, "1.10000", "5.10000", "10.5000")};
    const TraceComparison c = compare(trace(rows), trace(rows, "\r\n"));
    EXPECT_TRUE(c.agree() && c.rows == 2 && c.largestCameraDifference == 0.0);
    EXPECT_NE(describe(c).find("traces agree: 2 rows"), std::string::npos);
}

// Each case changes a field of the reference row: vehX 1.00000, camX 5.00000, camYaw 10.0000, nativeCalls 40. Camera
// values 1e-4 apart may print up to one unit more apart: 10.0000 and 10.0002 (four decimals) can be 10.00004 and
// 10.00014; 10.0003 cannot be within 1e-4 of 10.0000. Five decimals leave less room: 1e-4 plus 1e-5.
TEST(TraceCompare, EachKindOfColumnHasItsOwnTolerance) {
    struct Case {
        const char *what, *vehX, *camX, *camYaw, *calls, *differs;
    };
    const Case cases[] = {
        {"camera, four decimals, within", "1.00000", "5.00000", "10.0002", "40", ""},
        {"camera, four decimals, beyond", "1.00000", "5.00000", "10.0003", "40", "camYaw"},
        {"camera, five decimals, within", "1.00000", "5.00011", "10.0000", "40", ""},
        {"camera, five decimals, beyond", "1.00000", "5.00012", "10.0000", "40", "camX"},
        {"unreadable camera value", "1.00000", "nan", "10.0000", "40", "camX"},
        {"vehicle, last digit", "1.00001", "5.00000", "10.0000", "40", ""},
        {"vehicle, two in the last digit", "1.00002", "5.00000", "10.0000", "40", "vehX"},
        {"other column", "1.00000", "5.00000", "10.0000", "39", "nativeCalls"},
        // Numbers that print differently but are equal are still different text.
        {"other column, equal number", "1.00000", "5.00000", "10.0000", "40.0", "nativeCalls"},
    };
    const std::string reference = trace({row(7, "1.00000", "5.00000", "10.0000")});
    for (const Case& c : cases) {
        const TraceComparison r = compare(reference, trace({row(7, c.vehX, c.camX, c.camYaw, c.calls)}));
        if (*c.differs == '\0') {
            EXPECT_TRUE(r.agree()) << c.what;
            continue;
        }
        ASSERT_EQ(r.differences.size(), 1u) << c.what;
        EXPECT_TRUE(r.differences[0].frame == 7 && r.differences[0].column == c.differs) << c.what;
    }
    const TraceComparison yaw = compare(reference, trace({row(7, "1.00000", "5.00000", "10.0003")}));
    EXPECT_TRUE(yaw.differences[0].expected == "10.0000" && yaw.differences[0].actual == "10.0003");
    EXPECT_NEAR(yaw.largestCameraDifference, 3e-4, 1e-9);
    const TraceComparison calls = compare(reference, trace({row(7, "1.00000", "5.00000", "10.0000", "39")}));
    EXPECT_NE(describe(calls).find("frame 7, nativeCalls: 40 | 39"), std::string::npos);
}

TEST(TraceCompare, AnglesCompareTheShortWayRound) {
    // The same heading printed on either side of the seam: 0.00005 degrees apart. Positions do
    // not wrap: 180 and -180 metres are far apart.
    auto agree = [](const char* camX, const char* yaw, const char* camX2, const char* yaw2) {
        return compare(trace({row(0, "1.00000", camX, yaw)}), trace({row(0, "1.00000", camX2, yaw2)})).agree();
    };
    EXPECT_TRUE(agree("5.00000", "179.99995", "5.00000", "-180.0000"));
    EXPECT_FALSE(agree("180.00000", "0.0000", "-180.00000", "0.0000"));
}

TEST(TraceCompare, ShapeDifferencesAreReportedWithoutComparingRows) {
    const std::string one = trace({row(0, "1.00000", "5.00000", "10.0000")});
    const std::string two = trace({row(0, "1.00000", "5.00000", "10.0000"), row(1, "1.00000", "5.00000", "10.0000")});
    EXPECT_NE(compare(one, two).problem.find("1 rows, the Windows trace 2"), std::string::npos);
    EXPECT_NE(compare(one, "frame,other\n0,1\n").problem.find("headers differ"), std::string::npos);
    EXPECT_NE(compare(one, "").problem.find("Windows trace is empty"), std::string::npos);
    const TraceComparison shortRow = compare(one, kHeader + "\n0,1.00000\n");
    ASSERT_EQ(shortRow.differences.size(), 1u);
    EXPECT_EQ(shortRow.differences[0].column, "(row)");
}

}  // namespace
}  // namespace velmora::winetest
