#pragma once
// A position in homogeneous doubles (w = 1 for ordinary points).
#include <maya/MStatus.h>
#include <maya/MVector.h>

class MFloatPoint;
class MMatrix;

class MPoint {
public:
    MPoint() = default;
    MPoint(double xx, double yy, double zz = 0.0, double ww = 1.0) : x(xx), y(yy), z(zz), w(ww) {}
    MPoint(const double d[4]) : x(d[0]), y(d[1]), z(d[2]), w(d[3]) {}
    MPoint(const MVector& v) : x(v.x), y(v.y), z(v.z) {}
    MPoint(const MFloatPoint& other);

    double operator[](unsigned int i) const { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }
    double& operator[](unsigned int i) { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }

    MVector operator-(const MPoint& o) const { return MVector(x - o.x, y - o.y, z - o.z); }
    MPoint operator+(const MVector& v) const { return MPoint(x + v.x, y + v.y, z + v.z, w); }
    MPoint operator-(const MVector& v) const { return MPoint(x - v.x, y - v.y, z - v.z, w); }
    MPoint& operator+=(const MVector& v) {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    MPoint& operator-=(const MVector& v) {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    MPoint operator*(double s) const { return MPoint(x * s, y * s, z * s, w); }
    MPoint operator*(const MMatrix& m) const;
    MPoint& operator*=(const MMatrix& m);
    bool operator==(const MPoint& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
    bool operator!=(const MPoint& o) const { return !(*this == o); }

    MPoint& cartesianize();
    double distanceTo(const MPoint& o) const { return (*this - o).length(); }
    bool isEquivalent(const MPoint& o, double tolerance = 1.0e-10) const {
        return distanceTo(o) <= tolerance;
    }
    MStatus get(double d[4]) const {
        d[0] = x;
        d[1] = y;
        d[2] = z;
        d[3] = w;
        return MStatus::kSuccess;
    }

    static const MPoint origin;

    double x = 0.0, y = 0.0, z = 0.0, w = 1.0;
};
