// One flat net ("container"): triangles laid out in a common plane frame, its
// bounding box and the pending placement that a merge moves it by.
//
// A join moves the smaller of the two nets onto the larger one, so that
// joining costs what the smaller side holds. The triangles of a net
// therefore lie in the frame of whichever part was largest, and the net keeps
// the turn that carries that frame to its own; finishJoining() applies it
// once at the end. Until then a triangle's `container` names the net whose
// frame it lies in, and netOf() the net that holds it.
#pragma once

#include "geometry/gt.h"
#include "unfold/netindex.h"

#include <cstddef>
#include <memory>
#include <vector>

// A turn and shift of the plane: (x, y) -> (a x + b y + x0, c x + d y + y0).
struct PlaneMap {
    double a = 1, b = 0, c = 0, d = 1, x0 = 0, y0 = 0;
};

class gtc {
public:
    bool active = true;
    // Not owned (gtvec owns the triangles); in the order added. While joining,
    // the lists of the nets in `following` still belong after it, in order.
    std::vector<::gt*> gt;
    std::vector<int> following;
    vec3d trans;
    mat3d rot;
    vec3d pivot;
    // Spans every corner the net's triangles had when they came in. While
    // joining, a join the page test could accept on bounds alone leaves it
    // enclosing that span rather than equal to it (boxExact false); `pass`
    // then keeps what gives the span back (merge.cpp).
    double minx, miny, maxx, maxy;
    bool boxExact = true;
    struct PassState {
        kivano::GridBox inner{}, settled{};  // corners known to be in the box; its last exact span
        std::vector<vec3d> removedCorners;   // lug corners taken off this pass, in the own frame
    };
    std::unique_ptr<PassState> pass;  // made when first needed: most nets never need it
    NetIndex index;                   // the triangles' boxes, for the overlap tests of large nets
    // The triangles lying in this net's frame, in the order the index numbers them.
    std::vector<::gt*> stored;
    // Carries the stored corners to the net's own frame; none: they lie there.
    std::unique_ptr<PlaneMap> frame;
    int label = -1;  // the `container` its triangles carry while joining
    int owner = -1;  // the net holding the triangles that carry this net's number

    gtc();
    gtc(const gtc&) = delete;
    gtc& operator=(const gtc&) = delete;

    // Appends t and grows the box by its flat corners and placed lug corners.
    void addTriangle(::gt* t);
    ::gt* triangle(size_t i) const;
    size_t size() const;

    // Does s, a triangle of B moved by B's pending placement, overlap a triangle of this net?
    bool testTriangle(const gtc* B, const ::gt* s) const;
    // Does s, moved by (by, shift, about) into the frame the triangles lie in, overlap one?
    bool overlaps(const ::gt* s, const mat3d& by, const vec3d& shift, const vec3d& about) const;
    // Grows this box by s placed by B and tells whether it is now wider or taller than the page.
    bool exceedsPage(const gtc* B, const ::gt* s, double width, double height);
    bool exceedsPage(const ::gt* s, const mat3d& by, const vec3d& shift, const vec3d& about,
                     double width, double height);

    void setRotation(vec3d from, vec3d to);
    void setTranslation(const vec3d& from, const vec3d& to);
    void setPivot(const vec3d& v);
    void centerOnOrigin();

    // Joins B onto this net along edge `side` of t (merge.cpp). A refused join
    // leaves both nets and all lugs as they were; only B's placement changes.
    bool merge(gtc* B, ::gt* t, int side, bool testCollision, bool testPage, double width,
               double height);

    // Files t as lying in this net's frame, without growing the box.
    void store(::gt* t);
    void growBox(const vec3d& point);
    void resetBox();
};

// Is a box of w by h too large for a page of width by height? Pieces of the
// fewest-pieces search may lie on the page turned a quarter, as the sheet
// turns any piece that fits only so.
bool outgrowsPage(double w, double h, double width, double height);

// Lays every triangle of gtvec flat and gives it a net of its own, in
// (object, triangle) order.
void createContainers();

// The net that holds t while joining; t->container once joining has finished.
int netOf(const ::gt* t);

// Forgets what an earlier run's joins left for finishJoining().
void startJoining();

// Puts every triangle where its net's frame says, gives it its net's number,
// completes every net's list and box, and frees what the merged nets held.
void finishJoining();
