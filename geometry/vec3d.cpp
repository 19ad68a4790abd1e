#include "geometry/vec3d.h"

#include <assert.h>
#include <math.h>

double& vec3d::operator[](int i) {
    assert(i >= 0 && i < 3);
    return i == 0 ? x : (i == 1 ? y : z);
}

double vec3d::operator[](int i) const {
    assert(i >= 0 && i < 3);
    return i == 0 ? x : (i == 1 ? y : z);
}

double length(const vec3d& a) {
    return sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}

vec3d normalized(const vec3d& a) {
    double l = length(a);
    if (l == 0.0)
        return vec3d();
    return vec3d(a.x / l, a.y / l, a.z / l);
}

void normalize(vec3d& a) {
    double l = length(a);
    if (l == 0.0)
        return;
    a.x /= l;
    a.y /= l;
    a.z /= l;
}

vec3d rotated(const vec3d& a, const vec3d& axis, double angle) {
    const vec3d& u = axis;
    double c = cos(angle), s = sin(angle), t = 1.0 - c;

    vec3d r0(u.x * u.x * t + c, u.x * u.y * t - u.z * s, u.x * u.z * t + u.y * s);
    vec3d r1(u.y * u.x * t + u.z * s, u.y * u.y * t + c, u.y * u.z * t - u.x * s);
    vec3d r2(u.z * u.x * t - u.y * s, u.z * u.y * t + u.x * s, u.z * u.z * t + c);

    return vec3d(dot(r0, a), dot(r1, a), dot(r2, a));
}
