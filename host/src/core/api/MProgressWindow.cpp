#include <maya/MProgressWindow.h>

#include <algorithm>

#include "core/progress.h"

namespace {

struct ProgressWindow {
    host_session::Progress shown;
    std::string title;
    bool reserved = false;
    bool interruptable = false;
    void (*listener)(const host_session::Progress&) = nullptr;
};

ProgressWindow& window() {
    static ProgressWindow w;
    return w;
}

MStatus ok(MStatus* returnStatus) {
    if (returnStatus)
        *returnStatus = MStatus::kSuccess;
    return MStatus::kSuccess;
}

// Listeners hear a change only while the window is up, as a person would
// see it.
void changed() {
    ProgressWindow& w = window();
    if (w.shown.shown && w.listener)
        w.listener(w.shown);
}

}  // namespace

namespace host {

void setProgressListener(void (*listener)(const host_session::Progress&)) {
    window().listener = listener;
}

void resetProgress() {
    auto listener = window().listener;
    window() = ProgressWindow{};
    window().listener = listener;
}

}  // namespace host

bool MProgressWindow::reserve() {
    ProgressWindow& w = window();
    if (w.reserved)
        return false;
    w.reserved = true;
    return true;
}

MStatus MProgressWindow::startProgress() {
    ProgressWindow& w = window();
    if (!w.reserved)
        return MStatus::kFailure;
    w.shown.shown = true;
    changed();
    return MStatus::kSuccess;
}

MStatus MProgressWindow::endProgress() {
    ProgressWindow& w = window();
    if (!w.reserved)
        return MStatus::kFailure;
    bool wasShown = w.shown.shown;
    w.reserved = false;
    w.shown.shown = false;
    if (wasShown && w.listener)
        w.listener(w.shown);
    return MStatus::kSuccess;
}

MStatus MProgressWindow::setProgressRange(int minValue, int maxValue) {
    if (minValue > maxValue)
        return MStatus::kInvalidParameter;
    host_session::Progress& p = window().shown;
    p.min = minValue;
    p.max = maxValue;
    p.value = std::clamp(p.value, minValue, maxValue);
    changed();
    return MStatus::kSuccess;
}

int MProgressWindow::progressMin(MStatus* returnStatus) {
    ok(returnStatus);
    return window().shown.min;
}

int MProgressWindow::progressMax(MStatus* returnStatus) {
    ok(returnStatus);
    return window().shown.max;
}

MStatus MProgressWindow::setProgress(int progress) {
    host_session::Progress& p = window().shown;
    p.value = std::clamp(progress, p.min, p.max);
    changed();
    return MStatus::kSuccess;
}

MStatus MProgressWindow::advanceProgress(int amount) {
    host_session::Progress& p = window().shown;
    // in long arithmetic, so that a huge step stops at the end of the range
    return setProgress(int(std::clamp(long(p.value) + amount, long(p.min), long(p.max))));
}

int MProgressWindow::progress(MStatus* returnStatus) {
    ok(returnStatus);
    return window().shown.value;
}

MStatus MProgressWindow::setTitle(const MString& title) {
    window().title = title.str();
    return MStatus::kSuccess;
}

MString MProgressWindow::title(MStatus* returnStatus) {
    ok(returnStatus);
    return MString(window().title.c_str());
}

MStatus MProgressWindow::setProgressStatus(const MString& progressStatus) {
    window().shown.status = progressStatus.str();
    changed();
    return MStatus::kSuccess;
}

MString MProgressWindow::progressStatus(MStatus* returnStatus) {
    ok(returnStatus);
    return MString(window().shown.status.c_str());
}

MStatus MProgressWindow::setInterruptable(bool value) {
    window().interruptable = value;
    return MStatus::kSuccess;
}

bool MProgressWindow::isInterruptable(MStatus* returnStatus) {
    ok(returnStatus);
    return window().interruptable;
}

bool MProgressWindow::isCancelled(MStatus* returnStatus) {
    ok(returnStatus);
    return false;
}
