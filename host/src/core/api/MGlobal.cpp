#include <maya/MGlobal.h>

#include <maya/MDoubleArray.h>
#include <maya/MIntArray.h>
#include <maya/MStringArray.h>

#include "core/command.h"
#include "core/messages.h"
#include "core/python_bridge.h"

namespace {

MStatus runLanguage(const MString& command, host::Value* result, bool displayEnabled,
                    bool undoEnabled) {
    host::ExecOptions options;
    options.echo = displayEnabled;
    options.recordUndo = undoEnabled;
    return host::executeCommandLanguage(command.str(), result, options);
}

// Python runs as the host's "python" command, so what its maya.cmds calls
// change undoes as one step.
MStatus runPythonCommand(const MString& command, host::Value* result, bool displayEnabled,
                         bool undoEnabled) {
    if (displayEnabled)
        host::postMessage(host::MessageKind::Result, command.str());
    if (!host::CommandRegistry::instance().find("python")) {
        std::string text;
        MStatus status = host::runPythonWithResult(command.str(), text);
        if (result)
            *result = host::Value(text);
        return status;
    }
    host::Invocation call;
    call.command = "python";
    call.args.push_back(host::Value(command.str()));
    host::ExecOptions options;
    options.recordUndo = undoEnabled;
    return host::invoke(call, result, options);
}

const host::Value::List* itemsOf(const host::Value& value, host::Value::List& single) {
    if (value.isList())
        return &std::get<host::Value::List>(value.data);
    single.clear();
    if (!value.isNone())
        single.push_back(value);
    return &single;
}

}  // namespace

MStatus MGlobal::executeCommand(const MString& command, bool displayEnabled, bool undoEnabled) {
    return runLanguage(command, nullptr, displayEnabled, undoEnabled);
}

MStatus MGlobal::executeCommand(const MString& command, int& result, bool displayEnabled,
                                bool undoEnabled) {
    host::Value value;
    MStatus status = runLanguage(command, &value, displayEnabled, undoEnabled);
    long long i = 0;
    if (!status)
        return status;
    if (value.isList() || !host::toInt(value, i))
        return MStatus::kInvalidParameter;
    result = static_cast<int>(i);
    return status;
}

MStatus MGlobal::executeCommand(const MString& command, MIntArray& result, bool displayEnabled,
                                bool undoEnabled) {
    host::Value value;
    MStatus status = runLanguage(command, &value, displayEnabled, undoEnabled);
    if (!status)
        return status;
    host::Value::List single;
    MIntArray out;
    for (const host::Value& item : *itemsOf(value, single)) {
        long long i = 0;
        if (!host::toInt(item, i))
            return MStatus::kInvalidParameter;
        out.append(static_cast<int>(i));
    }
    result = out;
    return status;
}

MStatus MGlobal::executeCommand(const MString& command, double& result, bool displayEnabled,
                                bool undoEnabled) {
    host::Value value;
    MStatus status = runLanguage(command, &value, displayEnabled, undoEnabled);
    double d = 0;
    if (!status)
        return status;
    if (value.isList() || !host::toDouble(value, d))
        return MStatus::kInvalidParameter;
    result = d;
    return status;
}

MStatus MGlobal::executeCommand(const MString& command, MDoubleArray& result, bool displayEnabled,
                                bool undoEnabled) {
    host::Value value;
    MStatus status = runLanguage(command, &value, displayEnabled, undoEnabled);
    if (!status)
        return status;
    host::Value::List single;
    MDoubleArray out;
    for (const host::Value& item : *itemsOf(value, single)) {
        double d = 0;
        if (!host::toDouble(item, d))
            return MStatus::kInvalidParameter;
        out.append(d);
    }
    result = out;
    return status;
}

MStatus MGlobal::executeCommand(const MString& command, MString& result, bool displayEnabled,
                                bool undoEnabled) {
    host::Value value;
    MStatus status = runLanguage(command, &value, displayEnabled, undoEnabled);
    if (status)
        result = MString(host::displayText(value));
    return status;
}

MStatus MGlobal::executeCommand(const MString& command, MStringArray& result, bool displayEnabled,
                                bool undoEnabled) {
    host::Value value;
    MStatus status = runLanguage(command, &value, displayEnabled, undoEnabled);
    if (!status)
        return status;
    host::Value::List single;
    MStringArray out;
    for (const host::Value& item : *itemsOf(value, single))
        out.append(MString(host::displayText(item)));
    result = out;
    return status;
}

MStatus MGlobal::executePythonCommand(const MString& command, bool displayEnabled,
                                      bool undoEnabled) {
    return runPythonCommand(command, nullptr, displayEnabled, undoEnabled);
}

MStatus MGlobal::executePythonCommand(const MString& command, MString& result, bool displayEnabled,
                                      bool undoEnabled) {
    host::Value value;
    MStatus status = runPythonCommand(command, &value, displayEnabled, undoEnabled);
    if (status)
        result = MString(host::displayText(value));
    return status;
}

MString MGlobal::executePythonCommandStringResult(const MString& command, bool displayEnabled,
                                                  bool undoEnabled, MStatus* ReturnStatus) {
    host::Value value;
    MStatus status = runPythonCommand(command, &value, displayEnabled, undoEnabled);
    if (ReturnStatus)
        *ReturnStatus = status;
    return status ? MString(host::displayText(value)) : MString();
}

void MGlobal::displayInfo(const MString& theMessage) {
    host::postMessage(host::MessageKind::Info, theMessage.str());
}

void MGlobal::displayWarning(const MString& theWarning) {
    host::postMessage(host::MessageKind::Warning, theWarning.str());
}

void MGlobal::displayError(const MString& theError) {
    host::postMessage(host::MessageKind::Error, theError.str());
}

MGlobal::MMayaState MGlobal::mayaState(MStatus* ReturnStatus) {
    if (ReturnStatus)
        *ReturnStatus = MStatus::kSuccess;
    return kInteractive;
}
