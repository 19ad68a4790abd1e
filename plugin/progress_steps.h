#pragma once
// The steps of one unfolding, as the plug-in moves the host's progress
// window through them. A tool that drives the host times the steps by these
// values, so each is fixed here once.
enum class KivanoStep {
    Merge = 1,
    Extract,
    Unfold,
    Scene,
    Finished,
};

inline constexpr int kKivanoStepCount = int(KivanoStep::Finished);
