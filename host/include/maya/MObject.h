#pragma once
// A handle to a node of the scene, or to a set of mesh components (faces).
// A handle to a deleted node stays valid to hold: an undo can bring the node back.
#include <maya/MFn.h>
#include <maya/MStatus.h>

#include <memory>
#include <vector>

namespace host::scene {
struct Node;
}

class MObject {
public:
    MObject() = default;
    MObject(const MObject& other) = default;
    MObject& operator=(const MObject& other) = default;
    ~MObject() = default;

    bool isNull() const { return !node_ && !faces_ && !doubles_; }
    MFn::Type apiType() const;
    bool hasFn(MFn::Type fs) const;
    const char* apiTypeStr() const;
    bool operator==(const MObject& other) const {
        return node_ == other.node_ && faces_ == other.faces_ && doubles_ == other.doubles_;
    }
    bool operator!=(const MObject& other) const { return !(*this == other); }

    static const MObject kNullObj;

    // Host side.
    explicit MObject(std::shared_ptr<host::scene::Node> node) : node_(std::move(node)) {}
    // A polygon component: the given face indices of some mesh.
    static MObject faceComponent(std::vector<int> faces);
    const std::shared_ptr<host::scene::Node>& nodePtr() const { return node_; }
    host::scene::Node* node() const { return node_.get(); }
    const std::vector<int>* componentFaces() const { return faces_.get(); }
    // Attribute data: an array of doubles, as a plug of type "doubleArray" holds.
    static MObject doubleArrayData(std::shared_ptr<const std::vector<double>> values);
    const std::shared_ptr<const std::vector<double>>& doubleArray() const { return doubles_; }

private:
    std::shared_ptr<host::scene::Node> node_;
    std::shared_ptr<const std::vector<int>> faces_;
    std::shared_ptr<const std::vector<double>> doubles_;
};
