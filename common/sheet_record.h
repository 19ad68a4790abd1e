#pragma once
// What every object a run puts on the sheet carries about itself, so that a
// reader of the scene learns what the unfolding decided from the run itself:
// which net a triangle belongs to, where in it, which of its edges are folds,
// and which triangle edge a glue tab sits on. Names, creation order and
// geometry are for people; this record is for programs.
//
// The record is one array of doubles in a dynamic attribute (the host's
// "doubleArray" type), its format version first, then its kind.
#include <cmath>
#include <cstddef>

namespace sheet_record {

inline constexpr char kAttribute[] = "kivanoSheet";
// Raised whenever the layout below changes; readers take only their own.
inline constexpr int kFormatVersion = 2;
// Mesh edges shared by two triangles carry one id; a border edge carries this.
inline constexpr int kNoEdge = -1;

enum class Kind { Triangle = 0, Tab = 1 };

// Edge k of a triangle runs from its corner k to corner k + 1.
struct Triangle {
    unsigned net = 0;       // the net ("container") that holds the triangle
    unsigned position = 0;  // its place in that net's list
    int edgeId[3] = {kNoEdge, kNoEdge, kNoEdge};
    bool fold[3] = {false, false, false};   // joined to its partner in the net; else a cut
    double foldAngle[3] = {0.0, 0.0, 0.0};  // radians, negative = mountain
    // Where the triangle sits on the model, in world space, wound so that
    // its front faces out: what a map of the assembled model is drawn from.
    double world[3][3] = {};
};

// A glue tab on edge `edge` of the triangle at `position` in net `net`.
struct Tab {
    unsigned net = 0;
    unsigned position = 0;
    int edge = 0;
};

// Layout: version, kind, net, position, then for a triangle the three edge
// ids, the three fold flags (1 fold, 0 cut), the three fold angles and the
// three world corners (x, y, z each); for a tab its edge.
inline constexpr size_t kTriangleValues = 22;
inline constexpr size_t kTabValues = 5;

inline void encode(const Triangle& t, double values[kTriangleValues]) {
    values[0] = kFormatVersion;
    values[1] = double(Kind::Triangle);
    values[2] = t.net;
    values[3] = t.position;
    for (int k = 0; k < 3; ++k) {
        values[4 + k] = t.edgeId[k];
        values[7 + k] = t.fold[k] ? 1.0 : 0.0;
        values[10 + k] = t.foldAngle[k];
        for (int axis = 0; axis < 3; ++axis)
            values[13 + 3 * k + axis] = t.world[k][axis];
    }
}

inline void encode(const Tab& t, double values[kTabValues]) {
    values[0] = kFormatVersion;
    values[1] = double(Kind::Tab);
    values[2] = t.net;
    values[3] = t.position;
    values[4] = t.edge;
}

namespace detail {

inline bool whole(double value, double lowest, double highest) {
    return std::isfinite(value) && value >= lowest && value <= highest &&
           value == std::floor(value);
}

inline bool header(const double* values, size_t count, Kind kind, size_t expected) {
    return count == expected && values[0] == kFormatVersion && values[1] == double(kind) &&
           whole(values[2], 0, 4294967295.0) && whole(values[3], 0, 4294967295.0);
}

}  // namespace detail

// False, leaving `t` untouched, for anything but a whole, sound record of
// this version and kind: the attribute may have been edited by hand.
inline bool decode(const double* values, size_t count, Triangle& t) {
    if (!detail::header(values, count, Kind::Triangle, kTriangleValues))
        return false;
    for (int k = 0; k < 3; ++k)
        if (!detail::whole(values[4 + k], kNoEdge, 2147483647.0) ||
            (values[7 + k] != 0.0 && values[7 + k] != 1.0) || !std::isfinite(values[10 + k]))
            return false;
    for (size_t i = 13; i < kTriangleValues; ++i)
        if (!std::isfinite(values[i]))
            return false;
    t.net = unsigned(values[2]);
    t.position = unsigned(values[3]);
    for (int k = 0; k < 3; ++k) {
        t.edgeId[k] = int(values[4 + k]);
        t.fold[k] = values[7 + k] == 1.0 && t.edgeId[k] != kNoEdge;
        t.foldAngle[k] = values[10 + k];
        for (int axis = 0; axis < 3; ++axis)
            t.world[k][axis] = values[13 + 3 * k + axis];
    }
    return true;
}

inline bool decode(const double* values, size_t count, Tab& t) {
    if (!detail::header(values, count, Kind::Tab, kTabValues) || !detail::whole(values[4], 0, 2))
        return false;
    t.net = unsigned(values[2]);
    t.position = unsigned(values[3]);
    t.edge = int(values[4]);
    return true;
}

}  // namespace sheet_record
