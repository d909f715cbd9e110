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
                const std::string& calls = "40") {
    return std::to_string(frame) + "," + vehX + "," + camX + ",2.00000,3.00000,-4.5000,0.0000," + camYaw +
           ",77.5000," + calls;
}

TraceComparison compare(const std::string& reference, const std::string& windows) {
    std::istringstream a(reference), b(windows);
    return compareTraces(a, b);
}

std::string trace(std::initializer_list<std::string> rows) {
    std::string text = kHeader + "\n";
    for (const std::string& r : rows) text += r + "\n";
    return text;
}

TEST(TraceCompare, IdenticalTracesAgree) {
    const std::string t = trace({row(0, "1.00000", "5.00000", "10.0000"), row(1, "1.10000", "5.10000", "10.5000")});
    const TraceComparison c = compare(t, t);
    EXPECT_TRUE(c.agree());
    EXPECT_EQ(c.rows, 2);
    EXPECT_EQ(c.largestCameraDifference, 0.0);
}

TEST(TraceCompare, CameraColumnsAgreeWithinTheToleranceAndThePrintedRounding) {
    // Values 1e-4 apart may print up to one more unit apart: 10.0000 and 10.0002 (four
    // decimals) can be 10.00004 and 10.00014; 10.0003 cannot be within 1e-4 of 10.0000.
    const std::string reference = trace({row(7, "1.00000", "5.00000", "10.0000")});
    EXPECT_TRUE(compare(reference, trace({row(7, "1.00000", "5.00000", "10.0002")})).agree());
    EXPECT_TRUE(compare(reference, trace({row(7, "1.00000", "5.00011", "10.0000")})).agree());

    const TraceComparison yaw = compare(reference, trace({row(7, "1.00000", "5.00000", "10.0003")}));
    ASSERT_EQ(yaw.differences.size(), 1u);
    EXPECT_EQ(yaw.differences[0].frame, 7);
    EXPECT_EQ(yaw.differences[0].column, "camYaw");
    EXPECT_EQ(yaw.differences[0].expected, "10.0000");
    EXPECT_EQ(yaw.differences[0].actual, "10.0003");
    EXPECT_NEAR(yaw.largestCameraDifference, 3e-4, 1e-9);

    // Five decimals leave less room: 1e-4 plus 1e-5.
    const TraceComparison x = compare(reference, trace({row(7, "1.00000", "5.00012", "10.0000")}));
    ASSERT_EQ(x.differences.size(), 1u);
    EXPECT_EQ(x.differences[0].column, "camX");
}

TEST(TraceCompare, AnglesCompareTheShortWayRound) {
    // The same heading printed on either side of the seam: 0.00005 degrees apart.
    EXPECT_TRUE(compare(trace({row(0, "1.00000", "5.00000", "179.99995")}),
                        trace({row(0, "1.00000", "5.00000", "-180.0000")}))
                    .agree());
    // Positions do not wrap: 180 and -180 metres are far apart.
    EXPECT_FALSE(compare(trace({row(0, "1.00000", "180.00000", "0.0000")}),
                         trace({row(0, "1.00000", "-180.00000", "0.0000")}))
                     .agree());
}

TEST(TraceCompare, VehicleColumnsMayDifferInTheirLastDigitOnly) {
    const std::string reference = trace({row(3, "1.00000", "5.00000", "10.0000", "40")});
    EXPECT_TRUE(compare(reference, trace({row(3, "1.00001", "5.00000", "10.0000", "40")})).agree());
    const TraceComparison vehicle = compare(reference, trace({row(3, "1.00002", "5.00000", "10.0000", "40")}));
    ASSERT_EQ(vehicle.differences.size(), 1u);
    EXPECT_EQ(vehicle.differences[0].column, "vehX");
}

TEST(TraceCompare, OtherColumnsMustMatchExactly) {
    const std::string reference = trace({row(3, "1.00000", "5.00000", "10.0000", "40")});
    const TraceComparison calls = compare(reference, trace({row(3, "1.00000", "5.00000", "10.0000", "41")}));
    ASSERT_EQ(calls.differences.size(), 1u);
    EXPECT_EQ(calls.differences[0].column, "nativeCalls");
    // Numbers that print differently but are equal are still different text.
    EXPECT_FALSE(compare(reference, trace({row(3, "1.00000", "5.00000", "10.0000", "40.0")})).agree());
}

TEST(TraceCompare, UnreadableCameraValuesDiffer) {
    const TraceComparison c =
        compare(trace({row(0, "1.00000", "5.00000", "10.0000")}), trace({row(0, "1.00000", "nan", "10.0000")}));
    ASSERT_EQ(c.differences.size(), 1u);
    EXPECT_EQ(c.differences[0].column, "camX");
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

TEST(TraceCompare, LineEndingsDoNotMatter) {
    const std::string unix = trace({row(0, "1.00000", "5.00000", "10.0000")});
    std::string crlf = kHeader + "\r\n" + row(0, "1.00000", "5.00000", "10.0000") + "\r\n";
    EXPECT_TRUE(compare(unix, crlf).agree());
}

TEST(TraceCompare, DescriptionNamesTheFirstDifferences) {
    const TraceComparison c = compare(trace({row(4, "1.00000", "5.00000", "10.0000", "40")}),
                                      trace({row(4, "1.00000", "5.00000", "10.0000", "39")}));
    EXPECT_NE(describe(c).find("frame 4, nativeCalls: 40 | 39"), std::string::npos);
    const std::string t = trace({row(0, "1.00000", "5.00000", "10.0000")});
    EXPECT_NE(describe(compare(t, t)).find("traces agree: 1 rows"), std::string::npos);
}

}  // namespace
}  // namespace velmora::winetest
