// A small plug-in the host's tests load: an undoable command that adds a
// triangle to the scene, and a command that echoes its parsed flags.
// Built in variants that break the loading contract on purpose.
#include <maya/MArgDatabase.h>
#include <maya/MArgList.h>
#include <maya/MDGModifier.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnMesh.h>
#include <maya/MFnPlugin.h>
#include <maya/MGlobal.h>
#include <maya/MIntArray.h>
#include <maya/MObject.h>
#include <maya/MPointArray.h>
#include <maya/MPxCommand.h>
#include <maya/MStringArray.h>
#include <maya/MSyntax.h>

#define TEST_EXPORT extern "C" __attribute__((visibility("default")))

#if defined(TEST_PLUGIN_API_VERSION)
TEST_EXPORT const char MApiVersion[] = TEST_PLUGIN_API_VERSION;
#endif

namespace {

class TriangleCmd : public MPxCommand {
public:
    static void* creator() { return new TriangleCmd; }

    MStatus doIt(const MArgList& args) override {
        name_ = args.length() > 0 ? args.asString(0) : MString("testTriangle");
        return redoIt();
    }

    MStatus redoIt() override {
        MPointArray points;
        points.append(MPoint(0, 0, 0));
        points.append(MPoint(1, 0, 0));
        points.append(MPoint(0, 1, 0));
        MIntArray counts(1, 3);
        MIntArray connects;
        for (int i = 0; i < 3; ++i)
            connects.append(i);
        MStatus status;
        MFnMesh mesh;
        transform_ = mesh.create(3, 1, points, counts, connects, MObject::kNullObj, &status);
        if (!status)
            return status;
        MFnDependencyNode node(transform_);
        setResult(node.setName(name_));
        return MStatus::kSuccess;
    }

    MStatus undoIt() override {
        MDGModifier modifier;
        MStatus status = modifier.deleteNode(transform_);
        if (status)
            status = modifier.doIt();
        return status;
    }

    bool isUndoable() const override { return true; }

private:
    MString name_;
    MObject transform_;
};

class EchoCmd : public MPxCommand {
public:
    static void* creator() { return new EchoCmd; }

    MStatus doIt(const MArgList& args) override {
        MSyntax syntax;
        syntax.addFlag("c", "count", MSyntax::kUnsigned);
        syntax.addFlag("t", "text", MSyntax::kString);
        syntax.addFlag("l", "loud", MSyntax::kNoArg);
        MStatus status;
        MArgDatabase data(syntax, args, &status);
        if (!status)
            return status;
        unsigned int count = 1;
        MString text("echo");
        if (data.isFlagSet("count"))
            status = data.getFlagArgument("count", 0, count);
        if (status && data.isFlagSet("-t"))
            status = data.getFlagArgument("t", 0, text);
        if (!status)
            return status;
        for (unsigned int i = 0; i < count; ++i)
            appendToResult(data.isFlagSet("loud") ? text.toUpperCase() : text);
        return MStatus::kSuccess;
    }
};

// Declares its syntax at registration, so the host parses its flags.
class CountCmd : public MPxCommand {
public:
    static void* creator() { return new CountCmd; }

    static MSyntax newSyntax() {
        MSyntax syntax;
        syntax.addFlag("n", "number", MSyntax::kLong);
        syntax.addFlag("w", "words");
        return syntax;
    }

    MStatus doIt(const MArgList& args) override {
        MStatus status;
        MArgDatabase data(newSyntax(), args, &status);
        if (!status)
            return status;
        int number = 0;
        if (data.isFlagSet("n"))
            data.getFlagArgument("n", 0, number);
        MStringArray objects;
        data.getObjects(objects);
        MString text;
        text += number;
        text += data.isFlagSet("words") ? " words:" : " objects:";
        text += static_cast<int>(objects.length());
        setResult(text);
        return MStatus::kSuccess;
    }
};

// Undoable, but fails after asking the host to unload its own plug-in.
class UnloadSelfCmd : public MPxCommand {
public:
    static void* creator() { return new UnloadSelfCmd; }

    MStatus doIt(const MArgList&) override {
        MStatus status = MGlobal::executeCommand("unloadPlugin kivano_testplugin");
        setResult(status ? "unloaded" : "refused");
        return MStatus::kFailure;
    }

    MStatus undoIt() override { return MStatus::kSuccess; }
    bool isUndoable() const override { return true; }
};

}  // namespace

TEST_EXPORT MStatus initializePlugin(MObject obj) {
    MFnPlugin plugin(obj, "kivano tests", "1.0", "Any");
    MStatus status = plugin.registerCommand("testTriangle", TriangleCmd::creator);
    if (!status) {
        status.perror("registerCommand testTriangle");
        return status;
    }
#if defined(TEST_PLUGIN_FAIL_INIT)
    return MStatus::kFailure;
#else
    status = plugin.registerCommand("testEcho", EchoCmd::creator);
    if (status)
        status = plugin.registerCommand("testCount", CountCmd::creator, CountCmd::newSyntax);
    if (status)
        status = plugin.registerCommand("testUnloadSelf", UnloadSelfCmd::creator);
    if (!status)
        status.perror("registerCommand");
    return status;
#endif
}

TEST_EXPORT MStatus uninitializePlugin(MObject obj) {
    MFnPlugin plugin(obj);
    MStatus status = plugin.deregisterCommand("testTriangle");
    if (status)
        status = plugin.deregisterCommand("testEcho");
    if (status)
        status = plugin.deregisterCommand("testCount");
    if (status)
        status = plugin.deregisterCommand("testUnloadSelf");
    return status;
}
