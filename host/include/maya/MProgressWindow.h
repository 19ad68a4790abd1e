#pragma once
// The host's one progress window: a plug-in reserves it, shows it for a
// long piece of work, moves its value through a range with a line of status,
// and gives it back.
#include <maya/MStatus.h>
#include <maya/MString.h>

class MProgressWindow {
public:
    // False while another piece of work holds the window.
    static bool reserve();
    static MStatus startProgress();
    // Hides the window and gives it back.
    static MStatus endProgress();

    static MStatus setProgressRange(int minValue, int maxValue);
    static int progressMin(MStatus* returnStatus = nullptr);
    static int progressMax(MStatus* returnStatus = nullptr);
    // Kept within the range.
    static MStatus setProgress(int progress);
    static MStatus advanceProgress(int amount);
    static int progress(MStatus* returnStatus = nullptr);

    static MStatus setTitle(const MString& title);
    static MString title(MStatus* returnStatus = nullptr);
    static MStatus setProgressStatus(const MString& progressStatus);
    static MString progressStatus(MStatus* returnStatus = nullptr);

    static MStatus setInterruptable(bool value);
    static bool isInterruptable(MStatus* returnStatus = nullptr);
    // Nobody can press a cancel button in this host.
    static bool isCancelled(MStatus* returnStatus = nullptr);
};
