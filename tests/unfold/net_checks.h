// Checks of finished unfoldings, written independently of the code under
// test. Each returns an empty string when the property holds, else a
// description of the first violation.
#pragma once

#include <string>

// Every triangle of gtvec lies in exactly one active net, the one its
// container field names.
std::string checkMembership();

// Flat edge lengths equal the 3-D ones within the given relative error.
std::string checkEdgeLengths(double relativeError);

// No two triangles of a net, each with its placed lugs, overlap by more than
// a sliver (an intersection thinner than 3 % of the longer edge).
std::string checkNoOverlap();

// Edges whose two copies coincide within a net carry no lug on either side.
std::string checkFoldsHaveNoLugs();

// Every edge between two linked triangles that is not such a fold carries
// exactly one lug.
std::string checkCutsHaveOneLug();

int activeNetCount();
int lugCount();

// Every triangle's net, flat corners and lug corners, and every net's state,
// list and box, one line each, numbers in hexadecimal floating point so that
// equal texts mean bit-for-bit equal sheets. With placements, nets' pending
// placements too.
std::string describeSheet(bool withPlacements);

// Per active net, one line: its number, size, first triangle, and sums of
// the x, y, x², y², xy of every flat and lug corner and of list position
// times x. Sheets whose points agree within rounding give lines that agree
// within rounding; a net that differs in members, order or placement does not.
std::string sheetFingerprint();

// The first net line of `actual` that differs from `expected` by more than
// `tolerance` per summed value, or an empty string.
std::string fingerprintDifference(const std::string& expected, const std::string& actual,
                                  double tolerance);

// The first line where two descriptions differ, or an empty string.
std::string firstDifference(const std::string& a, const std::string& b);
