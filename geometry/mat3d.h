#pragma once

#include "geometry/vec3d.h"

// 3 x 3 matrix of doubles, row-major (row r, column c at 3r + c), acting on column vectors.
struct mat3d {
    double m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

    // An index outside 0..8 yields element 0.
    double& at(int i);
    double at(int i) const;

    void setIdentity();
    static mat3d fromColumns(const vec3d& c0, const vec3d& c1, const vec3d& c2);

    mat3d& operator*=(const mat3d& n);

    double determinant() const;

    // Adjugate over determinant; a singular matrix turns into infinities or NaNs.
    void invert();

    // The matrix sending a0, a1, a2 to b0, b1, b2.
    static mat3d basisMap(const vec3d& a0, const vec3d& a1, const vec3d& a2, const vec3d& b0,
                          const vec3d& b1, const vec3d& b2);
};

inline vec3d operator*(const mat3d& r, const vec3d& v) {
    const double* m = r.m;
    return vec3d(m[0] * v.x + m[1] * v.y + m[2] * v.z, m[3] * v.x + m[4] * v.y + m[5] * v.z,
                 m[6] * v.x + m[7] * v.y + m[8] * v.z);
}

// Rotate about pivot, then translate: rot (v - pivot) + (trans + pivot).
inline vec3d place(const vec3d& v, const mat3d& rot, const vec3d& trans, const vec3d& pivot) {
    return rot * (v - pivot) + (trans + pivot);
}
