#include "geometry/gt.h"

#include <assert.h>
#include <math.h>

gt::gt(int meshindex_, int faceindex_) : meshindex(meshindex_), faceindex(faceindex_) {}

void gt::computeNormal() {
    normal = cross(P[1] - P[0], P[2] - P[0]);
    normalize(normal);
}

// A zero-length edge has no line to stand on; its height is 0 rather than 0/0.
static double heightOver(double twiceArea, double edgeLength) {
    return edgeLength == 0.0 ? 0.0 : twiceArea / edgeLength;
}

void gt::computeHeights() {
    double a = length(cross(P[1] - P[0], P[2] - P[0]));

    height[0] = heightOver(a, length(P[1] - P[0]));
    height[1] = heightOver(a, length(P[2] - P[1]));
    height[2] = heightOver(a, length(P[0] - P[2]));
}

void gt::computeAngles() {
    for (int k = 0; k < 3; ++k) {
        double c = dot(normalized(P[(k + 1) % 3] - P[k]), normalized(P[(k + 2) % 3] - P[k]));

        // Rounding can push the cosine of a (nearly) flat angle just past +-1, where acos is NaN.
        c = c > 1.0 ? 1.0 : (c < -1.0 ? -1.0 : c);
        angle[k] = acos(c);
    }
}

void gt::computeFoldAngles() {
    for (int k = 0; k < 3; ++k) {
        if (!nb[k]) {
            fold[k] = 0.0;
            continue;
        }

        vec3d d = normalized(P[k] - P[(k + 1) % 3]);
        double t = dot(d, cross(normal, nb[k]->normal));

        t = t > 1.0 ? 1.0 : (t < -1.0 ? -1.0 : t);
        fold[k] = asin(t);
    }
}

static int shortestEdge(const vec3d P[3]) {
    int q = 0;
    double l = length(P[1] - P[0]);

    if (length(P[2] - P[1]) < l) {
        q = 1;
        l = length(P[2] - P[1]);
    }

    if (length(P[0] - P[2]) < l)
        q = 2;

    return q;
}

static bool isFinite(const mat3d& m) {
    for (double v : m.m)
        if (!isfinite(v))
            return false;
    return true;
}

// A degenerate triangle has no plane to map; project onto the line it lies on instead,
// which keeps its edge lengths and every coordinate finite.
static mat3d lineFrame(const vec3d& a0, const vec3d& a1) {
    vec3d d = normalized(length(a0) > 0.0 ? a0 : a1);

    return mat3d::fromColumns(vec3d(d.x, 0, 0), vec3d(d.y, 0, 0), vec3d(d.z, 0, 0));
}

void gt::flatten() {
    int q = shortestEdge(P);
    int q1 = (q + 1) % 3, q2 = (q + 2) % 3;

    vec3d a0 = P[q1] - P[q];
    vec3d a1 = P[q2] - P[q];
    vec3d a2 = cross(a0, a1);

    p[q] = vec3d();
    p[q1] = vec3d(length(a0), 0, 0);
    p[q2] = vec3d(length(a1) * cos(angle[q]), height[q], 0);

    mat3d m = mat3d::basisMap(a0, a1, a2, p[q1], p[q2], cross(p[q1], p[q2]));

    if (!(dot(a2, a2) > 0.0) || !isFinite(m)) {
        m = lineFrame(a0, a1);
        p[q1] = m * a0;
        p[q2] = m * a1;
    }

    for (int k = 0; k < 3; ++k) {
        if (!Lugs[k][0])
            continue;
        assert(Lugs[k][1]);

        for (int j = 0; j < 2; ++j) {
            Lugs[k][j] = m * (*Lugs[k][j] - P[q]);
            lugs[k][j] = Lugs[k][j];
        }
    }
}

void gt::transform(const vec3d& trans, const mat3d& rot, const vec3d& pivot) {
    for (int k = 0; k < 3; ++k) {
        p[k] = place(p[k], rot, trans, pivot);

        if (!lugs[k][0])
            continue;
        assert(lugs[k][1]);

        lugs[k][0] = place(*lugs[k][0], rot, trans, pivot);
        lugs[k][1] = place(*lugs[k][1], rot, trans, pivot);
    }
}

vec3d gt::placedVertex(int k, const mat3d& rot, const vec3d& trans, const vec3d& pivot) const {
    assert(k >= 0 && k < 3);
    return place(p[k], rot, trans, pivot);
}

vec3d gt::placedLugPoint(int k, int j, const mat3d& rot, const vec3d& trans,
                         const vec3d& pivot) const {
    assert(k >= 0 && k < 3 && j >= 0 && j < 2);
    return lugs[k][j] ? place(*lugs[k][j], rot, trans, pivot) : vec3d();
}
