// One flat net ("container"): triangles laid out in a common plane frame, its
// bounding box and the pending placement that a merge moves it by.
#pragma once

#include "geometry/gt.h"
#include "unfold/netindex.h"

#include <cstddef>
#include <vector>

class gtc {
public:
    bool active = true;
    std::vector<::gt*> gt;  // not owned (gtvec owns the triangles); in the order added
    vec3d trans;
    mat3d rot;
    vec3d pivot;
    double minx, miny, maxx, maxy;
    NetIndex index;  // the triangles' boxes, for the overlap tests of large nets

    gtc();
    gtc(const gtc&) = delete;
    gtc& operator=(const gtc&) = delete;

    // Appends t and grows the box by its flat corners and placed lug corners.
    void addTriangle(::gt* t);
    ::gt* triangle(size_t i) const;
    size_t size() const;

    // Does s, a triangle of B moved by B's pending placement, overlap a triangle of this net?
    bool testTriangle(const gtc* B, const ::gt* s) const;
    // Grows this box by s placed by B and tells whether it is now wider or taller than the page.
    bool exceedsPage(const gtc* B, const ::gt* s, double width, double height);

    void setRotation(vec3d from, vec3d to);
    void setTranslation(const vec3d& from, const vec3d& to);
    void setPivot(const vec3d& v);
    void centerOnOrigin();

    // Joins B onto this net along edge `side` of t (merge.cpp). A refused join
    // leaves both nets and all lugs as they were; only B's placement changes.
    bool merge(gtc* B, ::gt* t, int side, bool testCollision, bool testPage, double width,
               double height);

private:
    void growBox(const vec3d& point);
};

// Lays every triangle of gtvec flat and gives it a net of its own, in
// (object, triangle) order.
void createContainers();
