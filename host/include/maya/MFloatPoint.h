#pragma once
// A position in homogeneous floats.
#include <maya/MStatus.h>

class MPoint;

class MFloatPoint {
public:
    MFloatPoint() = default;
    MFloatPoint(float xx, float yy, float zz = 0.0f, float ww = 1.0f)
        : x(xx), y(yy), z(zz), w(ww) {}
    MFloatPoint(const float f[4]) : x(f[0]), y(f[1]), z(f[2]), w(f[3]) {}
    MFloatPoint(const MPoint& other);

    float operator[](unsigned int i) const { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }
    float& operator[](unsigned int i) { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }
    bool operator==(const MFloatPoint& o) const {
        return x == o.x && y == o.y && z == o.z && w == o.w;
    }
    bool operator!=(const MFloatPoint& o) const { return !(*this == o); }
    MStatus get(float f[4]) const {
        f[0] = x;
        f[1] = y;
        f[2] = z;
        f[3] = w;
        return MStatus::kSuccess;
    }

    float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;
};
