#pragma once
// One scene object per net triangle: three points in the sheet's plane, the
// UVs, colours and shading group of its source face.
struct OutputRun;
class gtc;

void buildTriangleObject(OutputRun& run, const gtc& net, unsigned t);
