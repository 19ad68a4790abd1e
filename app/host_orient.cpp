// Before the plug-in sees the model: every part wound one way, so that no
// face prints as its mirror image.
#include <host_session/session.h>

#include "face_orientation.h"
#include "number_text.h"
#include "unfold_run.h"

namespace run {

namespace {

// "name.f[3] name.f[5:9]": runs of faces as one item each.
std::string faceComponents(const std::string& transform, const std::vector<int>& faces) {
    std::string text;
    for (size_t i = 0; i < faces.size();) {
        size_t j = i;
        while (j + 1 < faces.size() && faces[j + 1] == faces[j] + 1)
            ++j;
        text += " " + transform + ".f[" + std::to_string(faces[i]);
        if (j > i)
            text += ":" + std::to_string(faces[j]);
        text += "]";
        i = j + 1;
    }
    return text;
}

}  // namespace

std::optional<Failure> orientParts(const std::vector<std::string>& names, RunReport& report) {
    size_t faces = 0, against = 0, insideOut = 0, parts = 0, unorientable = 0;
    for (const std::string& name : names) {
        host_session::Polygons mesh = host_session::worldPolygons({name});
        FaceOrientation o = orientFaces(mesh.counts, mesh.corners, mesh.points);
        faces += mesh.counts.size();
        against += size_t(o.againstNeighbours);
        insideOut += size_t(o.insideOut);
        parts += size_t(o.parts);
        unorientable += size_t(o.unorientable);
        if (o.turned.empty())
            continue;
        if (auto failure = runCommand("polyNormal -normalMode 0 -userNormalMode 0 -ch 0" +
                                          faceComponents(name, o.turned) + ";",
                                      "turning the faces of " + name))
            return failure;
    }
    if (against > 0)
        warn(report, thousands(against) + " of " + thousands(faces) +
                         " faces were wound against their neighbours and were turned");
    if (insideOut > 0)
        warn(report, thousands(insideOut) + " of " + thousands(parts) +
                         (parts == 1 ? " part" : " parts") + " faced inwards and " +
                         (insideOut == 1 ? "was" : "were") + " turned outwards");
    if (unorientable > 0)
        warn(report, thousands(unorientable) + (unorientable == 1 ? " part" : " parts") +
                         " cannot face one way (like a Moebius band) and " +
                         (unorientable == 1 ? "is" : "are") + " left as wound; some of " +
                         (unorientable == 1 ? "its" : "their") + " faces print mirrored");
    return std::nullopt;
}

}  // namespace run
