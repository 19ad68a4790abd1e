#include <maya/MPxCommand.h>

#include "core/messages.h"
#include "plugins/plugin_command.h"

namespace {

void setResultValue(host::Value value) {
    if (host::Value* slot = host::currentCommandResult())
        *slot = std::move(value);
}

// Appending makes the result a list; a single value already there becomes its first item.
void appendValue(host::Value value) {
    host::Value* slot = host::currentCommandResult();
    if (!slot)
        return;
    if (!slot->isList())
        slot->data = slot->isNone() ? host::Value::List{} : host::Value::List{*slot};
    std::get<host::Value::List>(slot->data).push_back(std::move(value));
}

template <typename Array>
host::Value listOf(const Array& array) {
    host::Value::List items;
    for (unsigned int i = 0; i < array.length(); ++i)
        items.emplace_back(array[i]);
    return host::Value(std::move(items));
}

host::Value listOfStrings(const MStringArray& array) {
    host::Value::List items;
    for (unsigned int i = 0; i < array.length(); ++i)
        items.emplace_back(array[i].str());
    return host::Value(std::move(items));
}

}  // namespace

MStatus MPxCommand::doIt(const MArgList&) {
    return MStatus::kSuccess;
}
MStatus MPxCommand::undoIt() {
    return MStatus::kNotImplemented;
}
MStatus MPxCommand::redoIt() {
    return MStatus::kNotImplemented;
}
bool MPxCommand::isUndoable() const {
    return false;
}
bool MPxCommand::hasSyntax() const {
    return false;
}

void MPxCommand::displayInfo(const MString& theInfo) {
    host::postMessage(host::MessageKind::Info, theInfo.str());
}
void MPxCommand::displayWarning(const MString& theWarning) {
    host::postMessage(host::MessageKind::Warning, theWarning.str());
}
void MPxCommand::displayError(const MString& theError) {
    host::postMessage(host::MessageKind::Error, theError.str());
}

void MPxCommand::clearResult() {
    setResultValue(host::Value());
}
void MPxCommand::setResult(unsigned int val) {
    setResultValue(host::Value(static_cast<long long>(val)));
}
void MPxCommand::setResult(int val) {
    setResultValue(host::Value(val));
}
void MPxCommand::setResult(double val) {
    setResultValue(host::Value(val));
}
void MPxCommand::setResult(bool val) {
    setResultValue(host::Value(val));
}
void MPxCommand::setResult(const char* val) {
    setResultValue(host::Value(std::string(val ? val : "")));
}
void MPxCommand::setResult(const MString& val) {
    setResultValue(host::Value(val.str()));
}
void MPxCommand::setResult(const MIntArray& val) {
    setResultValue(listOf(val));
}
void MPxCommand::setResult(const MDoubleArray& val) {
    setResultValue(listOf(val));
}
void MPxCommand::setResult(const MStringArray& val) {
    setResultValue(listOfStrings(val));
}
void MPxCommand::appendToResult(int val) {
    appendValue(host::Value(val));
}
void MPxCommand::appendToResult(double val) {
    appendValue(host::Value(val));
}
void MPxCommand::appendToResult(bool val) {
    appendValue(host::Value(val));
}
void MPxCommand::appendToResult(const char* val) {
    appendValue(host::Value(std::string(val ? val : "")));
}
void MPxCommand::appendToResult(const MString& val) {
    appendValue(host::Value(val.str()));
}

void MPxCommand::appendToResult(const MStringArray& val) {
    for (unsigned int i = 0; i < val.length(); ++i)
        appendValue(host::Value(val[i].str()));
}
