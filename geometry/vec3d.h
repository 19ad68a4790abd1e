#pragma once

// A point or vector of three doubles. Flat (sheet) points keep z at 0.
struct vec3d {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr vec3d() = default;
    constexpr vec3d(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}

    // 0 is x, 1 is y, 2 is z; callers pass only these.
    double& operator[](int i);
    double operator[](int i) const;
};

inline vec3d operator+(const vec3d& a, const vec3d& b) {
    return vec3d(a.x + b.x, a.y + b.y, a.z + b.z);
}

inline vec3d operator-(const vec3d& a, const vec3d& b) {
    return vec3d(a.x - b.x, a.y - b.y, a.z - b.z);
}

inline vec3d operator*(const vec3d& a, double s) {
    return vec3d(a.x * s, a.y * s, a.z * s);
}

inline bool operator==(const vec3d& a, const vec3d& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

inline double dot(const vec3d& a, const vec3d& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline vec3d cross(const vec3d& a, const vec3d& b) {
    return vec3d(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

double length(const vec3d& a);

// A zero vector stays zero rather than turning into NaNs.
vec3d normalized(const vec3d& a);
void normalize(vec3d& a);

// Right-hand rotation of a about the unit vector axis (not normalised here).
vec3d rotated(const vec3d& a, const vec3d& axis, double angle);
