#include "sim/rotation.h"

#include <algorithm>
#include <cmath>

namespace velmora::sim {
namespace {

// The axes of each order code, first applied first.
struct AxisOrder {
    int first, second, third;
};
constexpr AxisOrder kOrders[6] = {
    {0, 1, 2},  // 0 XYZ
    {0, 2, 1},  // 1 XZY
    {1, 0, 2},  // 2 YXZ
    {1, 2, 0},  // 3 YZX
    {2, 0, 1},  // 4 ZXY
    {2, 1, 0},  // 5 ZYX
};

const AxisOrder& axesOf(std::int32_t order) { return kOrders[order >= 0 && order <= 5 ? order : kOrderBody]; }

float angleAbout(const Rotation& r, int axis) { return axis == 0 ? r.x : (axis == 1 ? r.y : r.z); }

void setAngleAbout(Rotation& r, int axis, float value) { (axis == 0 ? r.x : (axis == 1 ? r.y : r.z)) = value; }

}  // namespace

float radians(float degreesAngle) { return static_cast<float>(static_cast<double>(degreesAngle) * kPi / 180.0); }
float degrees(float radiansAngle) { return static_cast<float>(static_cast<double>(radiansAngle) * 180.0 / kPi); }

Matrix3 axisTurn(int axis, float degreesAngle) {
    const float c = std::cos(radians(degreesAngle));
    const float s = std::sin(radians(degreesAngle));
    Matrix3 m;
    switch (axis) {
        case 0:
            m << 1, 0, 0, 0, c, -s, 0, s, c;
            break;
        case 1:
            m << c, 0, s, 0, 1, 0, -s, 0, c;
            break;
        default:
            m << c, -s, 0, s, c, 0, 0, 0, 1;
            break;
    }
    return m;
}

Matrix3 composeRotation(const Rotation& rotation, std::int32_t order) {
    const AxisOrder& o = axesOf(order);
    return axisTurn(o.third, angleAbout(rotation, o.third)) * axisTurn(o.second, angleAbout(rotation, o.second)) *
           axisTurn(o.first, angleAbout(rotation, o.first));
}

// For R = R_k(c)·R_j(b)·R_i(a) with the axes i, j, k of the order and s = +1 when (i, j, k)
// is a cyclic turn of (x, y, z), -1 otherwise:
//   R[k][i] = -s·sin b,  tan a = s·R[k][j] / R[k][k],  tan c = s·R[j][i] / R[i][i].
Rotation decomposeRotation(const Matrix3& m, std::int32_t order) {
    const AxisOrder& o = axesOf(order);
    const int i = o.first, j = o.second, k = o.third;
    const float s = (j == (i + 1) % 3) ? 1.0f : -1.0f;
    const float b = std::asin(std::clamp(-s * m(k, i), -1.0f, 1.0f));
    const float a = std::atan2(s * m(k, j), m(k, k));
    const float c = std::atan2(s * m(j, i), m(i, i));
    Rotation r;
    setAngleAbout(r, i, degrees(a));
    setAngleAbout(r, j, degrees(b));
    setAngleAbout(r, k, degrees(c));
    return r;
}

Matrix3 bodyOrientation(float yaw, float pitch, float roll) {
    return composeRotation(Rotation{pitch, roll, yaw}, kOrderBody);
}

Quaternion quaternionOfMatrix(const Matrix3& m) {
    // The largest of 4w², 4x², 4y², 4z² gives the best conditioned square root.
    const float t = m(0, 0) + m(1, 1) + m(2, 2);
    float x, y, z, w;
    if (t >= m(0, 0) && t >= m(1, 1) && t >= m(2, 2)) {
        const float r = std::sqrt(1.0f + t) * 2.0f;  // 4w
        w = 0.25f * r;
        x = (m(2, 1) - m(1, 2)) / r;
        y = (m(0, 2) - m(2, 0)) / r;
        z = (m(1, 0) - m(0, 1)) / r;
    } else if (m(0, 0) >= m(1, 1) && m(0, 0) >= m(2, 2)) {
        const float r = std::sqrt(1.0f + m(0, 0) - m(1, 1) - m(2, 2)) * 2.0f;  // 4x
        x = 0.25f * r;
        w = (m(2, 1) - m(1, 2)) / r;
        y = (m(0, 1) + m(1, 0)) / r;
        z = (m(0, 2) + m(2, 0)) / r;
    } else if (m(1, 1) >= m(2, 2)) {
        const float r = std::sqrt(1.0f - m(0, 0) + m(1, 1) - m(2, 2)) * 2.0f;  // 4y
        y = 0.25f * r;
        w = (m(0, 2) - m(2, 0)) / r;
        x = (m(0, 1) + m(1, 0)) / r;
        z = (m(1, 2) + m(2, 1)) / r;
    } else {
        const float r = std::sqrt(1.0f - m(0, 0) - m(1, 1) + m(2, 2)) * 2.0f;  // 4z
        z = 0.25f * r;
        w = (m(1, 0) - m(0, 1)) / r;
        x = (m(0, 2) + m(2, 0)) / r;
        y = (m(1, 2) + m(2, 1)) / r;
    }
    if (w < 0.0f) x = -x, y = -y, z = -z, w = -w;
    const float n = std::sqrt(x * x + y * y + z * z + w * w);
    return Quaternion(w / n, x / n, y / n, z / n);
}

Matrix3 matrixOfQuaternion(const Quaternion& q) {
    const float x = q.x(), y = q.y(), z = q.z(), w = q.w();
    Matrix3 m;
    m << 1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w), 2 * (x * y + z * w),
        1 - 2 * (x * x + z * z), 2 * (y * z - x * w), 2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y);
    return m;
}

Matrix3 blendOrientation(const Matrix3& a, const Matrix3& b, float w) {
    const Quaternion qa = quaternionOfMatrix(a);
    Quaternion qb = quaternionOfMatrix(b);
    float d = qa.x() * qb.x() + qa.y() * qb.y() + qa.z() * qb.z() + qa.w() * qb.w();
    if (d < 0.0f) {
        qb = Quaternion(-qb.w(), -qb.x(), -qb.y(), -qb.z());
        d = -d;
    }
    float ka = 1.0f - w, kb = w;
    if (d < 0.9995f) {
        const float angle = std::acos(d);
        ka = std::sin((1.0f - w) * angle) / std::sin(angle);
        kb = std::sin(w * angle) / std::sin(angle);
    }
    Quaternion q(ka * qa.w() + kb * qb.w(), ka * qa.x() + kb * qb.x(), ka * qa.y() + kb * qb.y(),
                 ka * qa.z() + kb * qb.z());
    const float n = std::sqrt(q.x() * q.x() + q.y() * q.y() + q.z() * q.z() + q.w() * q.w());
    return matrixOfQuaternion(Quaternion(q.w() / n, q.x() / n, q.y() / n, q.z() / n));
}

float wrap360(float a) {
    float r = std::fmod(a, 360.0f);
    if (r < 0.0f) r += 360.0f;
    return r >= 360.0f ? 0.0f : r;
}

float wrap180(float a) {
    const float r = wrap360(a);
    return r > 180.0f ? r - 360.0f : r;
}

float headingOf(const Vector3& d) { return degrees(std::atan2(-d.x(), d.y())); }

}  // namespace velmora::sim
