#pragma once

// The saved-lug stack behind gt::saveLugs / restoreLugs / freeSavedLugs is process-wide.

// Number of levels currently pushed; 0 between merge attempts.
int savedLugsDepth();
