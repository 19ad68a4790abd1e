#include <maya/MVector.h>

#include <maya/MFloatVector.h>
#include <maya/MMatrix.h>

const MVector MVector::zero(0.0, 0.0, 0.0);
const MVector MVector::xAxis(1.0, 0.0, 0.0);
const MVector MVector::yAxis(0.0, 1.0, 0.0);
const MVector MVector::zAxis(0.0, 0.0, 1.0);

MVector::MVector(const MFloatVector& other) : x(other.x), y(other.y), z(other.z) {}

MVector MVector::operator*(const MMatrix& m) const {
    return MVector(x * m(0, 0) + y * m(1, 0) + z * m(2, 0), x * m(0, 1) + y * m(1, 1) + z * m(2, 1),
                   x * m(0, 2) + y * m(1, 2) + z * m(2, 2));
}
