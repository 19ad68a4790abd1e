// Creating many one-triangle objects in the host, as the output step does:
// the time per object must not grow with the number of objects already in
// the scene or with the size of the source mesh whose UVs each one shares.
//   kivano_bench_host [--benchmark_filter=...]
// The "/complexity" lines give the fitted growth; linear is the target.
#include <benchmark/benchmark.h>

#include <maya/MFloatArray.h>
#include <maya/MFloatPointArray.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnMesh.h>
#include <maya/MGlobal.h>
#include <maya/MIntArray.h>

#include "core/session.h"

#include <cstdio>

// UVs of a large source mesh, shared by every object as the output step shares them.
static const unsigned kSourceUVs = 200000;

static MFloatArray sourceUVs(float scale) {
    MFloatArray uvs(kSourceUVs);
    for (unsigned i = 0; i < kSourceUVs; ++i)
        uvs[i] = scale * float(i) / float(kSourceUVs);
    return uvs;
}

// One triangle object named `name`, put into the default shading group.
static void createTriangleObject(const MFloatArray& us, const MFloatArray& vs, const char* name) {
    MFloatPointArray points;
    points.append(MFloatPoint(0, 0, 0));
    points.append(MFloatPoint(1, 0, 0));
    points.append(MFloatPoint(0, 1, 0));
    int counts[] = {3};
    int connects[] = {0, 1, 2};
    MFnMesh mesh;
    MStatus status;
    MObject transform = mesh.create(3, 1, points, MIntArray(counts, 1), MIntArray(connects, 3), us,
                                    vs, MObject::kNullObj, &status);
    if (!status)
        return;
    mesh.setUVs(us, vs);
    MFnDagNode node(transform);
    node.setName(name);
    MGlobal::executeCommand(MString("sets -add initialShadingGroup ") + mesh.name());
}

// Objects named as the output step names them, "dft<net>_<position>".
static void distinctNames(benchmark::State& state) {
    MFloatArray us = sourceUVs(1), vs = sourceUVs(2);
    int objects = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        host::resetScene();
        state.ResumeTiming();
        char name[32];
        for (int i = 0; i < objects; ++i) {
            std::snprintf(name, sizeof name, "dft%d_%d", i / 64, i % 64);
            createTriangleObject(us, vs, name);
        }
    }
    state.SetComplexityN(objects);
    state.counters["per object"] =
        benchmark::Counter(double(objects), benchmark::Counter::kIsIterationInvariantRate |
                                                benchmark::Counter::kInvert);
}

// Every object asking for one of two fixed names, as the triangles and lugs
// of nets numbered above 9999 do ("unnamed3", "unnamed5"): the host must
// still find each a free name quickly.
static void fallbackNames(benchmark::State& state) {
    MFloatArray us = sourceUVs(1), vs = sourceUVs(2);
    int objects = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        host::resetScene();
        state.ResumeTiming();
        for (int i = 0; i < objects; ++i)
            createTriangleObject(us, vs, i % 2 ? "unnamed5" : "unnamed3");
    }
    state.SetComplexityN(objects);
    state.counters["per object"] =
        benchmark::Counter(double(objects), benchmark::Counter::kIsIterationInvariantRate |
                                                benchmark::Counter::kInvert);
}

BENCHMARK(distinctNames)
    ->Name("host/create/distinct_names")
    ->RangeMultiplier(2)
    ->Range(25000, 200000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Complexity(benchmark::oN);
BENCHMARK(fallbackNames)
    ->Name("host/create/fallback_names")
    ->RangeMultiplier(2)
    ->Range(2500, 20000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Complexity(benchmark::oN);

// The host lives for the whole program and goes before the static objects
// it relies on.
int main(int argc, char** argv) {
    host::Session session;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
