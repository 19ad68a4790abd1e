#pragma once
// Queues scene edits and runs them together: doIt runs what was queued since
// the last doIt, undoIt takes back everything its doIt calls did (latest
// first), and a doIt after an undoIt with nothing new queued does it again.
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MString.h>

#include <functional>
#include <memory>
#include <vector>

namespace host {
struct UndoStep;
}

class MDGModifier {
public:
    MDGModifier();
    virtual ~MDGModifier();
    MDGModifier(const MDGModifier&) = delete;
    MDGModifier& operator=(const MDGModifier&) = delete;

    MObject createNode(const MString& type, MStatus* ReturnStatus = NULL);
    MStatus deleteNode(const MObject& node);
    MStatus renameNode(const MObject& node, const MString& newName);
    MStatus commandToExecute(const MString& command);
    MStatus pythonCommandToExecute(const MString& command);
    MStatus doIt();
    MStatus undoIt();

protected:
    // One queued edit: runs it, filling the steps that take it back.
    using Operation = std::function<MStatus(std::vector<host::UndoStep>&)>;
    void queue(Operation op);
    // Nodes are made at once (the caller gets them back); their steps count as done.
    void adoptDone(std::vector<host::UndoStep>& steps);

private:
    std::vector<Operation> pending_;
    std::unique_ptr<std::vector<host::UndoStep>> done_;    // what doIt did, in order
    std::unique_ptr<std::vector<host::UndoStep>> undone_;  // what undoIt took back
};
