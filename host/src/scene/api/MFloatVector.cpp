#include <maya/MFloatVector.h>

#include <maya/MVector.h>

MFloatVector::MFloatVector(const MVector& other)
    : x(float(other.x)), y(float(other.y)), z(float(other.z)) {}
