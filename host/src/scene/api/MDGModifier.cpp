#include <maya/MDGModifier.h>

#include <iterator>

#include "core/command.h"
#include "core/python_bridge.h"
#include "scene/node_types.h"

using namespace host::scene;

MDGModifier::MDGModifier()
    : done_(std::make_unique<std::vector<host::UndoStep>>()),
      undone_(std::make_unique<std::vector<host::UndoStep>>()) {}

MDGModifier::~MDGModifier() = default;

void MDGModifier::queue(Operation op) {
    pending_.push_back(std::move(op));
}

void MDGModifier::adoptDone(std::vector<host::UndoStep>& steps) {
    undone_->clear();
    done_->insert(done_->end(), std::make_move_iterator(steps.begin()),
                  std::make_move_iterator(steps.end()));
}

// Made at once, as the host hands back the new node; undoIt removes it again.
MObject MDGModifier::createNode(const MString& type, MStatus* ReturnStatus) {
    std::string typeName = type.asChar();
    if (!isKnownNodeType(typeName) || typeName == "transform" || typeName == "mesh") {
        if (ReturnStatus)
            *ReturnStatus = MStatus::kInvalidParameter;
        return MObject();
    }
    std::vector<host::UndoStep> steps;
    Node* node = nullptr;
    {
        Journal journal(&steps);
        node = &host::scene::createNode(typeName, "");
    }
    adoptDone(steps);
    if (ReturnStatus)
        *ReturnStatus = MStatus::kSuccess;
    return objectOf(*node);
}

MStatus MDGModifier::deleteNode(const MObject& node) {
    Node* n = liveNode(node);
    if (!n || isDefaultNode(*n))
        return MStatus::kInvalidParameter;
    queue([node](std::vector<host::UndoStep>& steps) -> MStatus {
        Node* target = liveNode(node);
        if (!target)
            return MStatus::kInvalidParameter;
        Journal journal(&steps);
        return host::scene::deleteNode(*target) ? MStatus::kSuccess : MStatus::kFailure;
    });
    return MStatus::kSuccess;
}

MStatus MDGModifier::renameNode(const MObject& node, const MString& newName) {
    if (!liveNode(node) || !isValidName(newName.asChar()))
        return MStatus::kInvalidParameter;
    std::string name = newName.asChar();
    queue([node, name](std::vector<host::UndoStep>& steps) -> MStatus {
        Node* target = liveNode(node);
        if (!target || isDefaultNode(*target))
            return MStatus::kInvalidParameter;
        Journal journal(&steps);
        rename(*target, name);
        return MStatus::kSuccess;
    });
    return MStatus::kSuccess;
}

MStatus MDGModifier::commandToExecute(const MString& command) {
    queue([text = std::string(command.asChar())](std::vector<host::UndoStep>& steps) -> MStatus {
        host::ExecOptions options;
        options.collect = &steps;
        return host::executeCommandLanguage(text, nullptr, options);
    });
    return MStatus::kSuccess;
}

// Python edits are run but cannot be taken back by the modifier.
MStatus MDGModifier::pythonCommandToExecute(const MString& command) {
    std::string text = command.asChar();
    queue([text](std::vector<host::UndoStep>&) -> MStatus { return host::runPython(text); });
    return MStatus::kSuccess;
}

MStatus MDGModifier::doIt() {
    if (pending_.empty() && !undone_->empty()) {
        for (host::UndoStep& step : *undone_)
            step.redo();
        done_->insert(done_->end(), std::make_move_iterator(undone_->begin()),
                      std::make_move_iterator(undone_->end()));
        undone_->clear();
        return MStatus::kSuccess;
    }
    undone_->clear();
    std::vector<Operation> ops;
    ops.swap(pending_);
    // Stops at the first failing edit; what ran before it stays done (and undoable).
    // Each edit appends its steps straight to what the modifier has done.
    for (Operation& op : ops) {
        MStatus status = op(*done_);
        if (!status)
            return status;
    }
    return MStatus::kSuccess;
}

MStatus MDGModifier::undoIt() {
    for (auto it = done_->rbegin(); it != done_->rend(); ++it)
        it->undo();
    undone_->insert(undone_->begin(), std::make_move_iterator(done_->begin()),
                    std::make_move_iterator(done_->end()));
    done_->clear();
    return MStatus::kSuccess;
}
