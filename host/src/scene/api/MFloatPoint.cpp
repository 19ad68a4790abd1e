#include <maya/MFloatPoint.h>

#include <maya/MPoint.h>

MFloatPoint::MFloatPoint(const MPoint& other)
    : x(float(other.x)), y(float(other.y)), z(float(other.z)), w(float(other.w)) {}
