#include <maya/MObject.h>

#include "scene/node_types.h"

const MObject MObject::kNullObj;

MObject MObject::faceComponent(std::vector<int> faces) {
    MObject object;
    object.faces_ = std::make_shared<const std::vector<int>>(std::move(faces));
    return object;
}

MObject MObject::doubleArrayData(std::shared_ptr<const std::vector<double>> values) {
    MObject object;
    object.doubles_ = std::move(values);
    return object;
}

MFn::Type MObject::apiType() const {
    if (doubles_)
        return MFn::kDoubleArrayData;
    if (faces_)
        return MFn::kMeshPolygonComponent;
    return node_ ? node_->apiType : MFn::kInvalid;
}

bool MObject::hasFn(MFn::Type fs) const {
    if (doubles_)
        return fs == MFn::kData || fs == MFn::kDoubleArrayData || fs == MFn::kBase;
    if (faces_)
        return fs == MFn::kComponent || fs == MFn::kMeshPolygonComponent || fs == MFn::kBase;
    return node_ && host::scene::nodeHasFn(*node_, fs);
}

const char* MObject::apiTypeStr() const {
    return host::scene::apiTypeName(apiType());
}
