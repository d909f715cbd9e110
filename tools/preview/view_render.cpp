#include "view_render.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace velmora::preview {
namespace {

// The sun's direction (towards it), for the faces' shading: high, from the front left.
const Vector3 kSun = Vector3(-0.4f, 0.5f, 0.77f).normalized();

struct Face {
    std::vector<Vector3> corners;  // world
    Colour colour;
    double depth = 0.0;  // mean camera-space depth, for the painter's order
    int body = -1;       // index into the scene's bodies, -1 for obstacles and ramps
};

std::array<Vector3, 8> cornersOf(const Vector3& min, const Vector3& max) {
    std::array<Vector3, 8> c;
    for (int i = 0; i < 8; ++i)
        c[static_cast<std::size_t>(i)] =
            Vector3(i & 1 ? max.x() : min.x(), i & 2 ? max.y() : min.y(), i & 4 ? max.z() : min.z());
    return c;
}

// The six faces of a box by corner index (bit 0 x, bit 1 y, bit 2 z), each corner next to the last.
constexpr int kBoxFaces[6][4] = {{0, 2, 6, 4}, {1, 5, 7, 3}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 6, 7, 5}};

void addBox(std::vector<Face>& faces, const Camera& camera, const std::array<Vector3, 8>& world, const Colour& colour,
            int body) {
    Vector3 boxCentre = Vector3::Zero();
    for (const Vector3& c : world) boxCentre += c / 8.0f;
    for (const auto& f : kBoxFaces) {
        Face face;
        for (const int i : f) face.corners.push_back(world[static_cast<std::size_t>(i)]);
        Vector3 normal = (face.corners[1] - face.corners[0]).cross(face.corners[3] - face.corners[0]).normalized();
        Vector3 centre = Vector3::Zero();
        for (const Vector3& c : face.corners) centre += c / 4.0f;
        if (normal.dot(centre - boxCentre) < 0.0f) normal = -normal;  // outward, whatever the winding
        // Faces turned away from the eye are hidden by the box's other faces.
        if (normal.dot(camera.position - centre) <= 0.0f) continue;
        const double light = kShadeMin + (1.0 - kShadeMin) * static_cast<double>(std::max(0.0f, normal.dot(kSun)));
        face.colour = Colour{colour.r * light, colour.g * light, colour.b * light};
        face.depth = static_cast<double>(toCameraSpace(camera, centre).z());
        face.body = body;
        faces.push_back(std::move(face));
    }
}

void fillPolygon(cairo_t* cr, const Camera& camera, const std::vector<Vector3>& world, const Colour& colour,
                 bool outline) {
    std::vector<Vector3> local;
    local.reserve(world.size());
    for (const Vector3& p : world) local.push_back(toCameraSpace(camera, p));
    const std::vector<Vector3> clipped = clipPolygon(local);
    if (clipped.size() < 3) return;
    for (std::size_t i = 0; i < clipped.size(); ++i) {
        const Vector2 px = toPixel(camera, clipped[i]);
        if (i == 0)
            cairo_move_to(cr, static_cast<double>(px.x()), static_cast<double>(px.y()));
        else
            cairo_line_to(cr, static_cast<double>(px.x()), static_cast<double>(px.y()));
    }
    cairo_close_path(cr);
    setColour(cr, colour);
    if (!outline) {
        cairo_fill(cr);
        return;
    }
    cairo_fill_preserve(cr);
    setColour(cr, Colour{colour.r * 0.6, colour.g * 0.6, colour.b * 0.6});
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
}

void drawSegment(cairo_t* cr, const Camera& camera, const Vector3& from, const Vector3& to) {
    Vector3 a = toCameraSpace(camera, from), b = toCameraSpace(camera, to);
    if (!clipSegment(a, b)) return;
    const Vector2 pa = toPixel(camera, a), pb = toPixel(camera, b);
    cairo_move_to(cr, static_cast<double>(pa.x()), static_cast<double>(pa.y()));
    cairo_line_to(cr, static_cast<double>(pb.x()), static_cast<double>(pb.y()));
}

void drawGround(cairo_t* cr, const Scene& scene, const Camera& camera) {
    const float z = scene.ground.height;
    const float cx = std::round(camera.position.x() / kGridSpacing) * kGridSpacing;
    const float cy = std::round(camera.position.y() / kGridSpacing) * kGridSpacing;
    const float r = kGridReach;
    fillPolygon(cr, camera,
                {Vector3(cx - r, cy - r, z), Vector3(cx + r, cy - r, z), Vector3(cx + r, cy + r, z),
                 Vector3(cx - r, cy + r, z)},
                kGround, false);
    setColour(cr, kGrid);
    cairo_set_line_width(cr, 1.0);
    for (float o = -r; o <= r; o += kGridSpacing) {
        drawSegment(cr, camera, Vector3(cx + o, cy - r, z), Vector3(cx + o, cy + r, z));
        drawSegment(cr, camera, Vector3(cx - r, cy + o, z), Vector3(cx + r, cy + o, z));
    }
    cairo_stroke(cr);
}

void drawMark(cairo_t* cr, const Camera& camera, const Vector3& world, const Colour& colour, double radius) {
    Vector2 px;
    if (!project(camera, world, px)) return;
    cairo_new_path(cr);  // no line in from wherever the last drawing ended
    cairo_arc(cr, static_cast<double>(px.x()), static_cast<double>(px.y()), radius, 0.0, 2.0 * sim::kPi);
    setColour(cr, colour);
    cairo_fill_preserve(cr);
    setColour(cr, Colour{0.05, 0.05, 0.05});
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
}

// The twelve edges of a body the camera sits in: from the driver's seat the faces are all
// turned away, and the edges show where the car ends.
void drawBodyFromInside(cairo_t* cr, const Camera& camera, const Body& body) {
    const Vector3 local = body.orientation.transpose() * (camera.position - body.position);
    const bool inside = (local.array() > body.min.array()).all() && (local.array() < body.max.array()).all();
    if (!inside) return;
    std::array<Vector3, 8> corners = cornersOf(body.min, body.max);
    for (Vector3& c : corners) c = body.position + body.orientation * c;
    for (int i = 0; i < 8; ++i)
        for (const int bit : {1, 2, 4})
            if ((i & bit) == 0)
                drawSegment(cr, camera, corners[static_cast<std::size_t>(i)],
                            corners[static_cast<std::size_t>(i | bit)]);
    setColour(cr, kPlayerBody, 0.8);
    cairo_set_line_width(cr, 3.0);
    cairo_stroke(cr);
}

}  // namespace

Camera cameraOf(const Scene& scene, int width, int height) {
    return cameraOf(scene.cameraPosition, scene.cameraRotation, scene.fov, width, height);
}

void drawView(cairo_t* cr, const Scene& scene, const Camera& camera) {
    setColour(cr, kSky);
    cairo_paint(cr);
    drawGround(cr, scene, camera);

    std::vector<Face> faces;
    for (const sim::Obstacle& o : scene.obstacles) addBox(faces, camera, cornersOf(o.min, o.max), kObstacle, -1);
    for (std::size_t i = 0; i < scene.bodies.size(); ++i) {
        const Body& b = scene.bodies[i];
        std::array<Vector3, 8> corners = cornersOf(b.min, b.max);
        for (Vector3& c : corners) c = b.position + b.orientation * c;
        addBox(faces, camera, corners, b.player ? kPlayerBody : kOtherBody, static_cast<int>(i));
    }
    for (const sim::Ramp& ramp : scene.ground.ramps) {
        const Vector2 along = ramp.end - ramp.start;
        if (along.norm() <= 0.0f) continue;
        const Vector2 side = Vector2(-along.y(), along.x()).normalized() * (0.5f * ramp.width);
        const float lift = 0.01f;  // above the plane, so the ramp never ties with it
        Face face;
        face.corners = {Vector3(ramp.start.x() - side.x(), ramp.start.y() - side.y(), ramp.startHeight + lift),
                        Vector3(ramp.end.x() - side.x(), ramp.end.y() - side.y(), ramp.endHeight + lift),
                        Vector3(ramp.end.x() + side.x(), ramp.end.y() + side.y(), ramp.endHeight + lift),
                        Vector3(ramp.start.x() + side.x(), ramp.start.y() + side.y(), ramp.startHeight + lift)};
        Vector3 centre = Vector3::Zero();
        for (const Vector3& c : face.corners) centre += c / 4.0f;
        face.colour = kRamp;
        // Ramps lie on the ground: drawn before anything that stands on it.
        face.depth = 1e9;
        faces.push_back(std::move(face));
    }
    std::stable_sort(faces.begin(), faces.end(), [](const Face& a, const Face& b) { return a.depth > b.depth; });

    // The player's cabin marks go on right after the last face of its body, so that what
    // stands nearer the camera still covers them.
    int lastPlayerFace = -1;
    for (std::size_t i = 0; i < faces.size(); ++i)
        if (faces[i].body >= 0 && scene.bodies[static_cast<std::size_t>(faces[i].body)].player)
            lastPlayerFace = static_cast<int>(i);
    const auto drawMarks = [&] {
        for (const Body& b : scene.bodies)
            if (b.player)
                for (const Vector3& c : b.cabin) drawMark(cr, camera, c, kCabinMark, 4.0);
        if (scene.eye) drawMark(cr, camera, *scene.eye, kEyeMark, 6.0);
    };
    for (const Body& b : scene.bodies)
        if (b.player) drawBodyFromInside(cr, camera, b);
    if (lastPlayerFace < 0) drawMarks();  // from inside the body (first person) no face hides them
    for (std::size_t i = 0; i < faces.size(); ++i) {
        fillPolygon(cr, camera, faces[i].corners, faces[i].colour, true);
        if (static_cast<int>(i) == lastPlayerFace) drawMarks();
    }
}

Surface renderView(const Scene& scene, int width, int height) {
    Surface surface = makeSurface(width, height);
    const Context cr = drawOn(surface);
    drawView(cr.get(), scene, cameraOf(scene, width, height));
    return surface;
}

}  // namespace velmora::preview
