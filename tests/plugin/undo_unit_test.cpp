// Undo of the unfold command on its own: what it deletes and what it keeps
// when a deletion cannot even be queued.
#include <gtest/gtest.h>

#include <maya/MFloatArray.h>
#include <maya/MFnMesh.h>
#include <maya/MIntArray.h>
#include <maya/MPointArray.h>

#include "core/messages.h"
#include "plugin/kivano_cmd.h"
#include "scene/scene.h"

namespace {

MObject makeTriangleObject() {
    MPointArray points;
    points.append(MPoint(0, 0, 0));
    points.append(MPoint(1, 0, 0));
    points.append(MPoint(0, 1, 0));
    MIntArray counts, connects;
    counts.append(3);
    for (int k = 0; k < 3; ++k)
        connects.append(k);
    MFnMesh mesh;
    return mesh.create(3, 1, points, counts, connects, MFloatArray(), MFloatArray(),
                       MObject::kNullObj);
}

TEST(KivanoUndo, DeletesEveryCreatedObjectWithItsMesh) {
    host::scene::reset();
    size_t empty = host::scene::nodeCount();
    KivanoCmd cmd;
    for (int i = 0; i < 3; ++i)
        cmd.createdObjects.push_back(makeTriangleObject());
    ASSERT_EQ(host::scene::nodeCount(), empty + 6);
    EXPECT_TRUE(cmd.undoIt());
    EXPECT_TRUE(cmd.createdObjects.empty());
    EXPECT_EQ(host::scene::nodeCount(), empty);
}

TEST(KivanoUndo, KeepsTrackOfTheSheetWhenADeletionCannotBeQueued) {
    host::scene::reset();
    host::clearMessageLog();
    KivanoCmd cmd;
    cmd.createdObjects.push_back(makeTriangleObject());
    cmd.createdObjects.push_back(MObject());
    EXPECT_FALSE(cmd.undoIt());
    bool told = false;
    for (const host::Message& m : host::messageLog())
        told |= m.kind == host::MessageKind::Error &&
                m.text.find("Could not get dagNode for transform") != std::string::npos;
    EXPECT_TRUE(told);
    EXPECT_EQ(cmd.createdObjects.size(), 2u);
    EXPECT_NE(host::scene::findNode("polySurface1"), nullptr) << "nothing deleted half-way";
    host::scene::reset();
}

}  // namespace
