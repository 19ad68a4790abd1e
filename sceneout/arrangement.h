#pragma once
// Where each net goes on the sheet and, in the animation, when it is seen:
// side by side along +x, one frame per net, or stacked in layers along z.
#include <maya/MPoint.h>

#include "geometry/vec3d.h"

enum ArrangementKind {
    arrangeSideBySide = 0,
    arrangeAnimation = 1,
    arrangeLayered = 2,
};

struct Arrangement {
    int kind = arrangeSideBySide;
    double xoff = 0.0;
    double zoff = 0.0;
    unsigned drawn = 0;   // nets drawn so far; the animation's current frame
    unsigned active = 0;  // active nets in gtcvec; fixes the playback range
};

// Counts the active nets; for the animation sets the playback range and
// goes to frame 0.
void setUpArrangement(Arrangement& arrangement, int kind);

// A placed flat point of the current net as a scene point.
MPoint outputPoint(const Arrangement& arrangement, const vec3d& q);

// After net c yielded at least one object: moves on to the next net's place.
void advanceArrangement(Arrangement& arrangement, unsigned c);

// Keys the visibility of every object of net c at one frame.
void setVisibilityKeys(unsigned frame, unsigned c, unsigned value);
