#pragma once
// A direction in three floats (normals).
#include <cmath>

class MVector;

class MFloatVector {
public:
    MFloatVector() = default;
    MFloatVector(float xx, float yy, float zz = 0.0f) : x(xx), y(yy), z(zz) {}
    MFloatVector(const float f[3]) : x(f[0]), y(f[1]), z(f[2]) {}
    MFloatVector(const MVector& other);

    float operator[](unsigned int i) const { return i == 0 ? x : i == 1 ? y : z; }
    float& operator[](unsigned int i) { return i == 0 ? x : i == 1 ? y : z; }

    MFloatVector operator+(const MFloatVector& o) const {
        return MFloatVector(x + o.x, y + o.y, z + o.z);
    }
    MFloatVector operator-(const MFloatVector& o) const {
        return MFloatVector(x - o.x, y - o.y, z - o.z);
    }
    MFloatVector operator-() const { return MFloatVector(-x, -y, -z); }
    MFloatVector operator*(float s) const { return MFloatVector(x * s, y * s, z * s); }
    float operator*(const MFloatVector& o) const { return x * o.x + y * o.y + z * o.z; }
    MFloatVector operator^(const MFloatVector& o) const {
        return MFloatVector(y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x);
    }
    bool operator==(const MFloatVector& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const MFloatVector& o) const { return !(*this == o); }

    float length() const { return std::sqrt(x * x + y * y + z * z); }
    MFloatVector normal() const {
        float l = length();
        return l > 0 ? *this * (1.0f / l) : *this;
    }
    void normalize() { *this = normal(); }

    float x = 0.0f, y = 0.0f, z = 0.0f;
};
