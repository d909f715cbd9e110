#include "projection.h"

#include <cmath>

#include "sim/rotation.h"

namespace velmora::preview {

Camera cameraOf(const Vector3& position, const Rotation& rotation, float fov, int width, int height) {
    Camera camera;
    camera.position = position;
    camera.axes = sim::composeRotation(rotation, sim::kOrderBody);
    camera.verticalFov = fov;
    camera.width = width;
    camera.height = height;
    return camera;
}

Vector3 toCameraSpace(const Camera& camera, const Vector3& world) {
    const Vector3 d = world - camera.position;
    return Vector3(d.dot(camera.axes.col(0)), d.dot(camera.axes.col(2)), d.dot(camera.axes.col(1)));
}

Vector2 toPixel(const Camera& camera, const Vector3& p) {
    // Focal length in pixels: half the picture's height over the tangent of half the field.
    const float focal = 0.5f * static_cast<float>(camera.height) / std::tan(sim::radians(0.5f * camera.verticalFov));
    return Vector2(0.5f * static_cast<float>(camera.width) + focal * p.x() / p.z(),
                   0.5f * static_cast<float>(camera.height) - focal * p.y() / p.z());
}

bool project(const Camera& camera, const Vector3& world, Vector2& pixel) {
    const Vector3 p = toCameraSpace(camera, world);
    if (p.z() < kNearPlane) return false;
    pixel = toPixel(camera, p);
    return true;
}

namespace {

Vector3 onNearPlane(const Vector3& inside, const Vector3& outside) {
    const float t = (inside.z() - kNearPlane) / (inside.z() - outside.z());
    return inside + t * (outside - inside);
}

}  // namespace

bool clipSegment(Vector3& a, Vector3& b) {
    const bool aIn = a.z() >= kNearPlane, bIn = b.z() >= kNearPlane;
    if (!aIn && !bIn) return false;
    if (!aIn) a = onNearPlane(b, a);
    if (!bIn) b = onNearPlane(a, b);
    return true;
}

std::vector<Vector3> clipPolygon(const std::vector<Vector3>& polygon) {
    // Sutherland–Hodgman against the one plane z = near.
    std::vector<Vector3> out;
    const std::size_t n = polygon.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Vector3& current = polygon[i];
        const Vector3& next = polygon[(i + 1) % n];
        const bool currentIn = current.z() >= kNearPlane, nextIn = next.z() >= kNearPlane;
        if (currentIn) out.push_back(current);
        if (currentIn != nextIn) out.push_back(currentIn ? onNearPlane(current, next) : onNearPlane(next, current));
    }
    return out;
}

}  // namespace velmora::preview
