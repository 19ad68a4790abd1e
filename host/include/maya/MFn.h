#pragma once
// Node and component types that function sets and iterators test against.

class MFn {
public:
    enum Type {
        kInvalid = 0,
        kBase,
        kNamedObject,
        kDependencyNode,
        kDagNode,
        kWorld,
        kTransform,
        kShape,
        kMesh,
        kSet,
        kShadingEngine,
        kLambert,
        kPhong,
        kBlinn,
        kSurfaceShader,
        kFileTexture,
        kPluginDependNode,
        kComponent,
        kMeshPolygonComponent,
        kMeshVertComponent,
        kMeshEdgeComponent,
        kTime,
        kData,
        kDoubleArrayData,
        kLast
    };
};
