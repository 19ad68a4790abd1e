#pragma once
// One scene object per glue tab: a four-cornered face along the triangle's
// edge, in the plane of its net, in the default shading group.
struct OutputRun;
class gtc;

// The lug on edge k of the triangle at position t; the edge must carry one.
void buildLugObject(OutputRun& run, const gtc& net, unsigned t, int k);
