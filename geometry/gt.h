#pragma once

#include "geometry/mat3d.h"
#include "geometry/predicates.h"
#include "geometry/vec3d.h"

#include <optional>

// One triangle of the input surface: its corners in 3-D and laid flat, its neighbours,
// derived measures, its glue tabs ("lugs") and the net (container) that holds it.
// Vertex k and edge k (from vertex k to vertex k + 1) are taken mod 3.
//
// The record operations live in gt.cpp, the overlap tests in collision.cpp and the lug
// operations in lugs.cpp.
struct gt {
    int container = -1;                       // index of the holding net, -1 while in none
    vec3d P[3];                               // corners in world space
    vec3d p[3];                               // corners laid flat (z = 0)
    gt* nb[3] = {nullptr, nullptr, nullptr};  // neighbour across edge k, not owned
    int nbedge[3] = {0, 0, 0};  // edge of nb[k] shared with this one, -1 if nb[k] does not list us
    double fold[3] = {0, 0, 0};
    // Edge k was joined to its neighbour's copy in the same net: a fold on the
    // sheet. Every other edge stays a cut. Set only by a committed merge.
    bool joined[3] = {false, false, false};
    double angle[3] = {0, 0, 0};
    double height[3] = {0, 0, 0};
    vec3d normal;

    // Outer lug corners of edge k: [k][0] next to vertex k + 1, [k][1] next to vertex k.
    // Both set or both empty; a lug exists on edge k exactly when Lugs[k][0] is set.
    // Lugs is in the triangle's own frame (3-D, then flat after flatten); lugs is placed on the sheet.
    std::optional<vec3d> Lugs[3][2];
    std::optional<vec3d> lugs[3][2];
    double lugWidth[3] = {0, 0, 0};

    int meshindex;
    int faceindex;

    gt(int meshindex_, int faceindex_);
    gt(const gt&) = delete;
    gt& operator=(const gt&) = delete;

    void computeNormal();
    void computeHeights();
    void computeAngles();
    void computeFoldAngles();

    // Lays the triangle flat with its shortest edge on +x, counter-clockwise, and carries
    // Lugs into the flat frame. Run once per triangle.
    void flatten();

    void transform(const vec3d& trans, const mat3d& rot, const vec3d& pivot);
    vec3d placedVertex(int k, const mat3d& rot, const vec3d& trans, const vec3d& pivot) const;
    vec3d placedLugPoint(int k, int j, const mat3d& rot, const vec3d& trans,
                         const vec3d& pivot) const;

    // Overlap of the flat triangle (t0, t1, t2) with this triangle or one of its placed lugs.
    bool collision(const vec3d& t0, const vec3d& t1, const vec3d& t2) const;
    // Overlap of other (with its lugs), placed by (rot, trans, pivot), with this one where it lies.
    bool collision(const gt& other, const mat3d& rot, const vec3d& trans, const vec3d& pivot) const;
    // Overlap of either triangle's placed lugs with the other triangle or its
    // lugs, other placed by (rot, trans, pivot): all that two faces lying edge
    // to edge may still do wrong.
    bool lugCollision(const gt& other, const mat3d& rot, const vec3d& trans,
                      const vec3d& pivot) const;
    // Does other list this triangle among its neighbours?
    bool isneighbor(const gt& other) const;
    // Flat corners of this triangle coinciding with other's placed corners, at most 3.
    int commonPoints(const gt& other, const mat3d& rot, const vec3d& trans,
                     const vec3d& pivot) const;

    // Lugs go on the lower side of each shared edge; reads KivanoOptions.maxLugWidth.
    void createLugs();
    void createLug(int k);
    void fitLugs();
    void fitLug(int k);
    void RemoveLugs(int k);

    // Save-and-undo of this triangle's lugs and its neighbours' facing lugs around a trial merge.
    void saveLugs();
    void restoreLugs();
    void freeSavedLugs();
};
