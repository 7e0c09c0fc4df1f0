#pragma once
#include <cmath>

// A point or direction of the model generator, in world units (the game's
// fixed-point units as floats): x right, y up, z back (vehicles face -z).
struct Vec3 {
    float x = 0, y = 0, z = 0;

    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator*(float k) const { return {x * k, y * k, z * k}; }
    bool operator==(const Vec3&) const = default;

    static float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
    static Vec3 cross(const Vec3& a, const Vec3& b)
    {
        return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    }
    float length() const { return std::sqrt(dot(*this, *this)); }
    Vec3 mirrorX() const { return {-x, y, z}; }
};
