#include "geometry/mat3d.h"

double& mat3d::at(int i) {
    return m[(i < 0 || i > 8) ? 0 : i];
}

double mat3d::at(int i) const {
    return m[(i < 0 || i > 8) ? 0 : i];
}

void mat3d::setIdentity() {
    *this = mat3d();
}

mat3d mat3d::fromColumns(const vec3d& c0, const vec3d& c1, const vec3d& c2) {
    mat3d r;
    for (int i = 0; i < 3; ++i) {
        r.m[3 * i + 0] = c0[i];
        r.m[3 * i + 1] = c1[i];
        r.m[3 * i + 2] = c2[i];
    }
    return r;
}

mat3d& mat3d::operator*=(const mat3d& n) {
    mat3d r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[3 * i + j] =
                m[3 * i + 0] * n.m[j] + m[3 * i + 1] * n.m[3 + j] + m[3 * i + 2] * n.m[6 + j];
    *this = r;
    return *this;
}

double mat3d::determinant() const {
    return m[0] * m[4] * m[8] + m[1] * m[5] * m[6] + m[2] * m[3] * m[7] - m[6] * m[4] * m[2] -
           m[8] * m[1] * m[3] - m[7] * m[0] * m[5];
}

void mat3d::invert() {
    double det = determinant();
    const double* a = m;

    double adj[9] = {
        a[4] * a[8] - a[5] * a[7], a[2] * a[7] - a[1] * a[8], a[1] * a[5] - a[2] * a[4],
        a[5] * a[6] - a[3] * a[8], a[0] * a[8] - a[2] * a[6], a[2] * a[3] - a[0] * a[5],
        a[3] * a[7] - a[4] * a[6], a[1] * a[6] - a[0] * a[7], a[0] * a[4] - a[1] * a[3],
    };

    for (int i = 0; i < 9; ++i)
        m[i] = adj[i] / det;
}

mat3d mat3d::basisMap(const vec3d& a0, const vec3d& a1, const vec3d& a2, const vec3d& b0,
                      const vec3d& b1, const vec3d& b2) {
    mat3d from = fromColumns(a0, a1, a2);
    from.invert();

    mat3d r = fromColumns(b0, b1, b2);
    r *= from;
    return r;
}
