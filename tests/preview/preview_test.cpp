// The preview's pictures, read back pixel by pixel from cairo's image surfaces: scenes built
// by hand with the expected pixels worked out from the geometry, and one run of the tool.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "menu_render.h"
#include "path_plot.h"
#include "projection.h"
#include "scene.h"
#include "sim/catalogue.h"
#include "sim/rotation.h"
#include "support/temp_dir.h"
#include "view_render.h"

namespace velmora::preview {
namespace {

// With a 90-degree vertical field on a 960x540 picture the focal length is 270 px
// (270 / tan 45°), so a point 10 m ahead and 1 m off the axis lands 27 px from the centre.
TEST(PreviewProjection, PointsLandWhereTheGeometrySays) {
    struct Case {
        const char* what;
        Rotation rotation;
        Vector3 point;
        float x, y;
    };
    const float down30 = 10.0f * std::tan(static_cast<float>(sim::kPi) / 6.0f);  // 5.77 m below at 10 m
    const Case cases[] = {
        {"straight ahead", {0, 0, 0}, {0, 10, 0}, 480, 270},
        {"right of the axis", {0, 0, 0}, {1, 10, 0}, 507, 270},
        {"above the axis", {0, 0, 0}, {0, 10, 1}, 480, 243},
        // Yaw 90 faces -X; the right hand then points to +Y, so -Y is on the left.
        {"yaw 90 ahead", {0, 0, 90}, {-10, 0, 0}, 480, 270},
        {"yaw 90 left", {0, 0, 90}, {-10, -1, 0}, 453, 270},
        // Pitch -30 looks down 30 degrees: a point that far below the horizon is centred.
        {"pitched down", {-30, 0, 0}, {0, 10, -down30}, 480, 270},
        // Roll 90 about the view axis turns the picture: up in the world goes to the side.
        {"rolled", {0, 90, 0}, {0, 10, 1}, 453, 270},
    };
    Vector2 px;
    for (const Case& c : cases) {
        ASSERT_TRUE(project(cameraOf(Vector3::Zero(), c.rotation, 90.0f, 960, 540), c.point, px)) << c.what;
        EXPECT_LT((px - Vector2(c.x, c.y)).norm(), 0.01f) << c.what << ": " << px.transpose();
    }
    EXPECT_FALSE(project(cameraOf(Vector3::Zero(), {}, 90.0f, 960, 540), Vector3(0, -5, 0), px)) << "behind the eye";
}

TEST(PreviewProjection, ClippingKeepsOnlyWhatIsInFrontOfTheNearPlane) {
    // From (-2, 0, -1) to (2, 0, 3) the depth reaches the near plane 0.05 at t = 1.05 / 4.
    Vector3 a(-2, 0, -1), b(2, 0, 3);
    ASSERT_TRUE(clipSegment(a, b));
    EXPECT_NEAR(a.z(), 0.05f, 1e-6f);
    EXPECT_NEAR(a.x(), -2.0f + 4.0f * 1.05f / 4.0f, 1e-5f);
    EXPECT_EQ(b, Vector3(2, 0, 3));
    Vector3 c(0, 0, -1), d(1, 1, -0.5f);
    EXPECT_FALSE(clipSegment(c, d));
    Vector3 e(0, 0, 1), f(0, 0, 0.02f);  // in front of the eye but short of the plane
    ASSERT_TRUE(clipSegment(e, f));
    EXPECT_NEAR(f.z(), 0.05f, 1e-6f);
    // A square half behind the eye keeps its two front corners and gains two on the plane.
    const std::vector<Vector3> square{{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1}};
    const std::vector<Vector3> kept = clipPolygon(square);
    ASSERT_EQ(kept.size(), 4u);
    for (const Vector3& p : kept) EXPECT_GE(p.z(), 0.05f - 1e-6f);
    EXPECT_TRUE(clipPolygon({{0, 0, -1}, {1, 0, -2}, {0, 1, -1}}).empty());
}

Body carAtOrigin() {
    Body car;
    bodyBounds(*sim::findVehicleModel("compact"), car.min, car.max);
    car.player = true;
    return car;
}

float boxCentreHeight(const Body& b) { return 0.5f * (b.min.z() + b.max.z()); }

// A camera `behind` metres behind the car (which faces +Y) and `up` metres up, pitched to
// look at the point `aimHeight` above the car's origin.
Scene chaseScene(float behind, float up, float aimHeight) {
    Scene scene;
    scene.bodies.push_back(carAtOrigin());
    scene.cameraPosition = Vector3(0.0f, -behind, up);
    scene.cameraRotation.x = -sim::degrees(std::atan2(up - aimHeight, behind));
    scene.fov = 50.0f;
    return scene;
}

bool isBody(const Pixel& p) { return p.r > 80 && p.r > 2 * p.g && p.r > 2 * p.b; }

// The pixel is the colour times one light factor (the faces' shading) within rounding.
bool isShadeOf(const Pixel& p, const Colour& c) {
    const double k = p.b / (255.0 * c.b);
    return k >= kShadeMin - 0.05 && k <= 1.05 && std::abs(p.r - 255.0 * c.r * k) <= 3.0 &&
           std::abs(p.g - 255.0 * c.g * k) <= 3.0;
}

struct Coverage {
    int pixels = 0;
    int left = 1 << 30, right = -1, bottom = -1;
    double sumY = 0.0;
    double middleX() const { return 0.5 * (left + right); }
    double meanY() const { return sumY / pixels; }
};

Coverage bodyCoverage(const Surface& s) {
    Coverage c;
    for (int y = 0; y < heightOf(s); ++y)
        for (int x = 0; x < widthOf(s); ++x)
            if (isBody(pixelAt(s, x, y))) {
                ++c.pixels;
                c.left = std::min(c.left, x);
                c.right = std::max(c.right, x);
                c.bottom = std::max(c.bottom, y);
                c.sumY += y;
            }
    return c;
}

TEST(PreviewView, TheCarSitsWhereTheChaseCameraLooksAndNearerShowsItLarger) {
    const Body car = carAtOrigin();
    const float aim = boxCentreHeight(car);
    const Coverage nearView = bodyCoverage(renderView(chaseScene(4.5f, 1.8f, aim))),
                   farView = bodyCoverage(renderView(chaseScene(9.0f, 2.6f, aim)));
    // Level with the body's middle and looking at it, the body sits about the centre row;
    // 4 m higher and pitched down to the roof, the body's middle is below the centre row.
    const Coverage level = bodyCoverage(renderView(chaseScene(6.0f, aim, aim))),
                   raised = bodyCoverage(renderView(chaseScene(6.0f, aim + 4.0f, car.max.z())));
    for (const Coverage& c : {nearView, farView, level, raised}) {
        ASSERT_GT(c.pixels, 0);
        // The body is symmetric about its centre line, which the camera looks along: its
        // pixels span the centre column 480 evenly, up to a pixel of edge rounding.
        EXPECT_NEAR(c.middleX(), 480.0, 1.0);
    }
    EXPECT_TRUE(nearView.pixels > 2 * farView.pixels && nearView.right - nearView.left > farView.right - farView.left);
    EXPECT_NEAR(level.meanY(), 270.0, 15.0);
    EXPECT_TRUE(raised.meanY() > level.meanY() + 20.0 && raised.bottom > level.bottom)
        << raised.meanY() << " " << raised.bottom;
}

TEST(PreviewView, WhatStandsNearerCoversWhatIsBehindIt) {
    // The camera looks at the body's centre, so the centre pixel (480, 270) shows the body,
    // or whatever stands on the line between.
    // The obstacle's near face: between the camera and the car (which spans about -2 to 2), or beyond it.
    for (const float obstacleY : {-6.0f, 5.0f}) {
        Scene scene = chaseScene(12.0f, 1.5f, boxCentreHeight(carAtOrigin()));
        scene.obstacles.push_back(
            sim::Obstacle{Vector3(-1.0f, obstacleY, 0.0f), Vector3(1.0f, obstacleY + 0.5f, 3.0f)});
        const Pixel centre = pixelAt(renderView(scene), 480, 270);
        EXPECT_EQ(isShadeOf(centre, kObstacle), obstacleY < 0.0f) << obstacleY;
        EXPECT_EQ(isBody(centre), obstacleY > 0.0f) << obstacleY;
    }
}

TEST(PreviewView, FromInsideTheCabinOnlyTheBodysEdgesAndTheEyeShow) {
    Scene scene;
    scene.bodies.push_back(carAtOrigin());
    scene.cameraPosition = Vector3(-0.35f, 0.0f, 0.6f);
    scene.fov = 60.0f;
    scene.eye = Vector3(-0.35f, 1.0f, 0.6f);  // a metre straight ahead: the centre pixel
    const Surface view = renderView(scene);
    // The focal length is 270 / tan 30° = 467.7 px, so 80 px below the centre is 0.36 m
    // below the eye on the front face, 2.1 m ahead: inside that face, which is not filled.
    EXPECT_FALSE(isBody(pixelAt(view, 480, 350)));
    const int edgePixels = bodyCoverage(view).pixels;
    EXPECT_TRUE(edgePixels > 0 && edgePixels < kViewWidth * kViewHeight / 20) << edgePixels;  // lines, not faces
    const Pixel centre = pixelAt(view, 480, 270);
    EXPECT_TRUE(centre.r > 240 && centre.g > 240 && centre.b > 240);
}

std::vector<FrameRecord> framesOf(const std::vector<std::string>& modes) {
    std::vector<FrameRecord> frames(modes.size());
    for (std::size_t i = 0; i < modes.size(); ++i) {
        frames[i].frame = static_cast<int>(i);
        frames[i].mode = modes[i];
    }
    return frames;
}

TEST(PreviewRun, DefaultFramesEndTheLongestStretchOfEachNamedMode) {
    // near runs 3..7 and 10..11: the longer ends at 7; far ends at 9; medium at 12; on foot is not a named mode.
    const auto frames = framesOf({"on foot", "on foot", "on foot", "near", "near", "near", "near", "near", "far", "far",
                                  "near", "near", "medium"});
    EXPECT_EQ(defaultFrames(frames), (std::vector<int>{7, 9, 12}));
    EXPECT_TRUE(defaultFrames(framesOf({"on foot", "game camera"})).empty());
}

TEST(PreviewRun, ModeNamesWithLookBehindOnTopAndPlacementAlongTheVehiclesHeading) {
    EXPECT_EQ(modeName("near chase", false), "near");
    EXPECT_EQ(modeName("far chase", true), "look-behind");
    EXPECT_EQ(modeName("first person", true), "look-behind");
    EXPECT_EQ(modeName("on foot", true), "on foot");
    FrameRecord f;
    f.vehiclePosition = Vector3(10, 0, 1);
    f.vehicleYaw = 90.0f;                     // facing -X
    f.cameraPosition = Vector3(14, 0.5f, 3);  // 4 m towards +X is behind it
    const CameraPlacement p = placementOf(f);
    EXPECT_TRUE(std::fabs(p.behind - 4.0f) < 1e-4f && std::fabs(p.height - 2.0f) < 1e-4f)
        << p.behind << " " << p.height;
}

// The drive scenario with the plug-in's own settings: its near and far stretches end on the
// straight, well after each change, with the camera trailing straight behind.
TEST(PreviewRun, TheDrivesSettledChaseViewsCentreTheCarAndNearShowsItLarger) {
    const sim::Scenario drive = sim::findScenario("drive");
    const std::vector<int> frames = defaultFrames(record(drive, std::nullopt, {}).frames);
    const Recording run = record(drive, std::nullopt, {frames.begin(), frames.end()});
    ASSERT_FALSE(run.error);
    Coverage nearView, farView;
    for (const auto& [frame, scene] : run.scenes) {
        const std::string& mode = run.frames[static_cast<std::size_t>(frame)].mode;
        if (mode == "near") nearView = bodyCoverage(renderView(scene));
        if (mode == "far") farView = bodyCoverage(renderView(scene));
    }
    ASSERT_TRUE(nearView.pixels > farView.pixels && farView.pixels > 0);
    // The chase field of view here is 77.5 degrees: a focal length of 270 / tan 38.75° =
    // 336 px, so 3 px is under 5 cm sideways at 5 m, a camera trailing straight behind.
    EXPECT_NEAR(nearView.middleX(), 480.0, 3.0);
    EXPECT_NEAR(farView.middleX(), 480.0, 3.0);
    EXPECT_GT(nearView.right - nearView.left, farView.right - farView.left);
}

TEST(PreviewPath, BothPathsFitInsideThePlotArea) {
    Recording a, b;
    for (int i = 0; i < 50; ++i) {
        FrameRecord f;
        f.frame = i;
        f.vehiclePosition = Vector3(2.0f * static_cast<float>(i), 0.5f * static_cast<float>(i), 0);
        f.cameraPosition = f.vehiclePosition + Vector3(-3, -4, 2);
        a.frames.push_back(f);
        f.cameraPosition = f.vehiclePosition + Vector3(5, 30, 2);  // the compared run strays further
        b.frames.push_back(f);
    }
    const Rect area = topDownArea(kPathWidth, kPathHeight);
    const GroundMap map = fitGround({&a, &b}, area);
    for (const Recording* run : {&a, &b})
        for (const FrameRecord& f : run->frames)
            for (const Vector3& p : {f.cameraPosition, f.vehiclePosition}) {
                const Point px = map(p);
                EXPECT_TRUE(area.contains(px.x, px.y)) << p.transpose();
            }
    // Equal scale: 10 m east and 10 m north span the same number of pixels.
    const Point o = map(Vector3::Zero()), east = map(Vector3(10, 0, 0)), north = map(Vector3(0, 10, 0));
    EXPECT_NEAR(east.x - o.x, o.y - north.y, 1e-9);
}

sim::DrawCall rect(float x, float y, float w, float h, std::array<std::int32_t, 4> colour) {
    sim::DrawCall c;
    c.kind = sim::DrawCall::Kind::Rect;
    c.x = x, c.y = y, c.width = w, c.height = h, c.colour = colour;
    return c;
}

sim::DrawCall text(float x, float y, const std::string& t, std::array<std::int32_t, 4> colour = {255, 255, 255, 255}) {
    sim::DrawCall c;
    c.x = x, c.y = y, c.scale = 0.3f, c.text = t, c.colour = colour;
    return c;
}

// A pixel of `colour` at `alpha` over the neutral screen: 0.42 grey is 107 of 255.
int over(int colour, int alpha) {
    return static_cast<int>(std::lround((colour * alpha + 107.1 * (255 - alpha)) / 255.0));
}

TEST(PreviewMenu, RectanglesAndTextLandWhereTheirFractionsSay) {
    // The title bar (centre 0.16, 0.14; 0.26 by 0.055) spans x 57.6..556.8 and
    // y 121.5..180.9 px; row 1 of three (centre y 0.188 + 0.03 + 0.013 = 0.231) spans
    // y 233.3..265.7 px. The pixels sampled sit right of the texts, near the bars' ends.
    const std::vector<sim::DrawCall> calls = {
        rect(0.16f, 0.14f, 0.26f, 0.055f, {15, 25, 40, 235}),    text(0.038f, 0.123f, "TITLE"),
        rect(0.16f, 0.201f, 0.26f, 0.03f, {0, 0, 0, 165}),       text(0.04f, 0.188f, "Row zero"),
        rect(0.16f, 0.231f, 0.26f, 0.03f, {245, 245, 245, 230}), text(0.04f, 0.218f, "Row one", {10, 10, 10, 255}),
        rect(0.16f, 0.261f, 0.26f, 0.03f, {0, 0, 0, 165}),       text(0.04f, 0.248f, "Row two"),
    };
    const Surface menu = renderMenu(calls);
    struct Probe {
        const char* what;
        int x, y, r, g, b;
    };
    const Probe probes[] = {
        {"title bar", 540, 175, over(15, 235), over(25, 235), over(40, 235)},
        {"selected row", 540, 249, over(245, 230), over(245, 230), over(245, 230)},
        {"row above it", 540, 217, over(0, 165), over(0, 165), over(0, 165)},
        {"right of the bars", 560, 249, 107, 107, 107},
        {"above the title bar", 300, 119, 107, 107, 107},
    };
    for (const Probe& p : probes) {
        const Pixel px = pixelAt(menu, p.x, p.y);
        EXPECT_TRUE(std::abs(px.r - p.r) <= 2 && std::abs(px.g - p.g) <= 2 && std::abs(px.b - p.b) <= 2)
            << p.what << ": " << px.r << " " << px.g << " " << px.b;
    }
    // The title's white text starts at x = 0.038 * 1920 = 73 px, in the bar's upper half.
    int white = 0;
    for (int y = 125; y < 170; ++y)
        for (int x = 70; x < 200; ++x) white += pixelAt(menu, x, y).r > 200 ? 1 : 0;
    EXPECT_GT(white, 50);
}

TEST(PreviewMenu, PagesAreDistinctTitlesAtTheirFirstFrame) {
    const std::vector<std::pair<int, std::vector<sim::DrawCall>>> draws = {
        {10, {rect(0.5f, 0.5f, 0.1f, 0.1f, {}), text(0, 0, "MAIN")}},
        {11, {text(0, 0, "MAIN")}},
        {12, {text(0, 0, "PRESETS")}},
        {13, {rect(0.5f, 0.5f, 0.1f, 0.1f, {})}},
        {14, {text(0, 0, "MAIN")}},
        {15, {text(0, 0, "FAR CAMERA")}},
    };
    const std::vector<MenuPage> pages = menuPages(draws);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_TRUE(pages[0].title == "MAIN" && pages[0].frame == 10);
    EXPECT_TRUE(pages[1].frame == 12 && pages[2].title == "FAR CAMERA");
    EXPECT_EQ(withoutColourCodes("~y~Velmora~w~ is running"), "Velmora is running");
    EXPECT_EQ(withoutColourCodes("a ~ b"), "a ~ b");
}

TEST(PreviewTool, DrawsTheDriveScenarioIntoPngsOfTheStatedSize) {
    const testing::TempDir dir;
    const std::string command = std::string(VELMORA_PREVIEW_PATH) + " drive --out " + dir.path().string() + " > " +
                                (dir.path() / "out.txt").string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    auto sizeOf = [](const std::filesystem::path& path) {
        const Surface png(cairo_image_surface_create_from_png(path.string().c_str()));
        EXPECT_EQ(cairo_surface_status(png.get()), CAIRO_STATUS_SUCCESS) << path;
        return std::pair(widthOf(png), heightOf(png));
    };
    EXPECT_EQ(sizeOf(dir.path() / "drive-path.png"), std::pair(kPathWidth, kPathHeight));
    sizeOf(dir.path() / "drive-sheet.png");
    // The plug-in's default settings show drive in medium, far, first person and near.
    int views = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (entry.path().filename().string().rfind("drive-view-", 0) != 0) continue;
        EXPECT_EQ(sizeOf(entry.path()), std::pair(kViewWidth, kViewHeight)) << entry.path();
        ++views;
    }
    EXPECT_EQ(views, 4);
}

// Frees the font caches after the last test, so the leak checker sees only the tests' memory.
class FontCaches : public ::testing::Environment {
public:
    void TearDown() override { releaseFontCaches(); }
};
const ::testing::Environment* const kFontCaches = ::testing::AddGlobalTestEnvironment(new FontCaches);

}  // namespace
}  // namespace velmora::preview
