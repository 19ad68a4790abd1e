#include "geometry/gt.h"

#include <assert.h>

// A placed lug on edge k is the quadrilateral p[k], p[k+1], lugs[k][0], lugs[k][1],
// tested as two triangles split along the diagonal p[k] - lugs[k][0].
bool gt::collision(const vec3d& t0, const vec3d& t1, const vec3d& t2) const {
    if (triangleschnitt2d(t0, t1, t2, p[0], p[1], p[2]))
        return true;

    for (int k = 0; k < 3; ++k) {
        if (!lugs[k][0])
            continue;
        assert(lugs[k][1]);

        const vec3d& v0 = p[k];
        const vec3d& v1 = p[(k + 1) % 3];
        const vec3d& l0 = *lugs[k][0];
        const vec3d& l1 = *lugs[k][1];

        if (triangleschnitt2d(t0, t1, t2, v1, v0, l0) || triangleschnitt2d(t0, t1, t2, v0, l1, l0))
            return true;
    }

    return false;
}

namespace {
// Another triangle's corners and lug corners where a placement puts them.
struct Placed {
    vec3d w[3], l[3][2];

    Placed(const gt& other, const mat3d& rot, const vec3d& trans, const vec3d& pivot) {
        for (int k = 0; k < 3; ++k) {
            w[k] = other.placedVertex(k, rot, trans, pivot);
            for (int j = 0; j < 2 && other.lugs[k][0]; ++j)
                l[k][j] = other.placedLugPoint(k, j, rot, trans, pivot);
        }
    }
};
}  // namespace

// Other's placed lugs against this triangle and its lugs.
static bool placedLugsCollide(const gt& self, const gt& other, const Placed& at) {
    for (int k = 0; k < 3; ++k)
        if (other.lugs[k][0] && (self.collision(at.l[k][0], at.w[k], at.w[(k + 1) % 3]) ||
                                 self.collision(at.l[k][0], at.l[k][1], at.w[k])))
            return true;
    return false;
}

bool gt::collision(const gt& other, const mat3d& rot, const vec3d& trans,
                   const vec3d& pivot) const {
    Placed at(other, rot, trans, pivot);
    return collision(at.w[0], at.w[1], at.w[2]) || placedLugsCollide(*this, other, at);
}

bool gt::lugCollision(const gt& other, const mat3d& rot, const vec3d& trans,
                      const vec3d& pivot) const {
    Placed at(other, rot, trans, pivot);
    const vec3d* w = at.w;
    if (placedLugsCollide(*this, other, at))
        return true;
    // this triangle's lugs against other's triangle
    for (int k = 0; k < 3; ++k) {
        if (!lugs[k][0])
            continue;
        const vec3d& v0 = p[k];
        const vec3d& v1 = p[(k + 1) % 3];
        if (triangleschnitt2d(w[0], w[1], w[2], v1, v0, *lugs[k][0]) ||
            triangleschnitt2d(w[0], w[1], w[2], v0, *lugs[k][1], *lugs[k][0]))
            return true;
    }
    return false;
}

bool gt::isneighbor(const gt& other) const {
    return other.nb[0] == this || other.nb[1] == this || other.nb[2] == this;
}

int gt::commonPoints(const gt& other, const mat3d& rot, const vec3d& trans,
                     const vec3d& pivot) const {
    int count = 0;

    for (int j = 0; j < 3; ++j) {
        vec3d w = other.placedVertex(j, rot, trans, pivot);

        for (int i = 0; i < 3; ++i)
            count += equal2d(p[i], w);
    }

    return count > 3 ? 3 : count;
}
