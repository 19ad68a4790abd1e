#pragma once
// The state one output step shares between its nets, triangles and lugs.
#include <vector>

#include <maya/MColorArray.h>
#include <maya/MDagModifier.h>
#include <maya/MFloatVectorArray.h>
#include <maya/MObject.h>

#include "sceneout/arrangement.h"
#include "sceneout/source_mesh.h"

struct OutputRun
{
	std::vector<MObject>& createdObjects;
	std::vector<SourceMesh> sources;  // per mesh index
	std::vector<int> offsets;         // per mesh index, for edge ids
	MColorArray colors;               // the selection's colours, on every triangle
	MFloatVectorArray normals;        // two times (0, 0, 1)
	MDagModifier triangleModifier;
	MDagModifier lugModifier;
	Arrangement arrangement;
	bool keepMaterials = true;

	explicit OutputRun(std::vector<MObject>& created) : createdObjects(created) {}
};
