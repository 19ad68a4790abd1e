#include <maya/MPoint.h>

#include <maya/MFloatPoint.h>
#include <maya/MMatrix.h>

const MPoint MPoint::origin;

MPoint::MPoint(const MFloatPoint& other) : x(other.x), y(other.y), z(other.z), w(other.w) {}

MPoint MPoint::operator*(const MMatrix& m) const {
    MPoint r;
    r.x = x * m(0, 0) + y * m(1, 0) + z * m(2, 0) + w * m(3, 0);
    r.y = x * m(0, 1) + y * m(1, 1) + z * m(2, 1) + w * m(3, 1);
    r.z = x * m(0, 2) + y * m(1, 2) + z * m(2, 2) + w * m(3, 2);
    r.w = x * m(0, 3) + y * m(1, 3) + z * m(2, 3) + w * m(3, 3);
    return r;
}

MPoint& MPoint::operator*=(const MMatrix& m) {
    return *this = *this * m;
}

MPoint& MPoint::cartesianize() {
    if (w != 0.0 && w != 1.0) {
        x /= w;
        y /= w;
        z /= w;
        w = 1.0;
    }
    return *this;
}
