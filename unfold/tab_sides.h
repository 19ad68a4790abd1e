// Tabs on both sides of every cut edge while the nets are joined, for the
// unfolding that chooses each tab's side afterwards. A join may lay a face
// over one side's tab, as long as the other side's tab stays uncovered: some
// side of every cut edge keeps room for its tab.
#pragma once

#include "geometry/gt.h"

// Sizes the covered marks to gtvec and clears them; joins then test faces
// and covered tabs (gtc.cpp) until stopTabSides().
void startTabSides();
void stopTabSides();
bool tabSidesActive();

// Marks the tab of t on edge k as covered by a face in the join under test.
// False when the other side's tab is covered already: the join must not be.
bool coverTab(const gt* t, int k);
// The marks of the join under test stay (it was made) or go (it was not).
void keepCoveredTabs();
void forgetCoveredTabs();

bool tabCovered(const gt* t, int k);
