#include "sceneout/arrangement.h"

#include <cstdio>

#include <maya/MGlobal.h>

#include "geometry/gt.h"
#include "sceneout/names.h"
#include "unfold/gtc.h"
#include "unfold/run_state.h"

// Clear gap between neighbouring nets: 5 % of their widths on either side.
static const double sideBySideSpacing = 0.55;

static void runPython(const char* command) {
    MGlobal::executePythonCommand(command, false, false);
}

static unsigned countActiveNets() {
    unsigned active = 0;
    for (const auto& net : gtcvec)
        active += net->active ? 1 : 0;
    return active;
}

void setUpArrangement(Arrangement& arrangement, int kind) {
    arrangement.kind = kind;
    arrangement.active = countActiveNets();
    if (kind != arrangeAnimation)
        return;
    // An empty run would otherwise ask for a range ending at frame 2^32 - 1.
    unsigned last = arrangement.active > 0 ? arrangement.active - 1 : 0;
    char command[128];
    std::snprintf(command, sizeof(command), "cmds.playbackOptions(minTime='0',maxTime='%u')", last);
    runPython(command);
    runPython("cmds.currentTime(0)");
}

MPoint outputPoint(const Arrangement& arrangement, const vec3d& q) {
    return MPoint(q.x + arrangement.xoff, q.y, arrangement.zoff, 1.0);
}

static void keyObject(const std::string& name, unsigned value) {
    char command[256];
    std::snprintf(command, sizeof(command),
                  "cmds.setKeyframe('%s',attribute='visibility',value=%u);", name.c_str(), value);
    runPython(command);
}

void setVisibilityKeys(unsigned frame, unsigned c, unsigned value) {
    char command[64];
    std::snprintf(command, sizeof(command), "cmds.currentTime(%u)", frame);
    runPython(command);
    const gtc& net = *gtcvec[c];
    for (unsigned i = 0; i < net.size(); ++i) {
        keyObject(triangleName(net, i), value);
        for (int k = 0; k < 3; ++k)
            if (net.triangle(i)->lugs[k][0])
                keyObject(lugName(net, i, k), value);
    }
}

// Width of the next net that will be drawn after c, 0 when none follows.
static double nextNetWidth(unsigned c) {
    for (size_t n = c + 1; n < gtcvec.size(); ++n) {
        const gtc& next = *gtcvec[n];
        if (next.active && next.size() > 0)
            return next.maxx - next.minx;
    }
    return 0.0;
}

void advanceArrangement(Arrangement& arrangement, unsigned c) {
    unsigned f = arrangement.drawn;
    if (arrangement.kind == arrangeAnimation) {
        if (f > 0)
            setVisibilityKeys(f - 1, c, 0);
        setVisibilityKeys(f, c, 1);
        if (f < arrangement.active)
            setVisibilityKeys(f + 1, c, 0);
    } else if (arrangement.kind == arrangeLayered) {
        arrangement.zoff += 1.0;
    } else {
        const gtc& net = *gtcvec[c];
        arrangement.xoff += (nextNetWidth(c) + net.maxx - net.minx) * sideBySideSpacing;
    }
    arrangement.drawn += 1;
}
