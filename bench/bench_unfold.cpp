// Times algokante on generated spheres and tubes and on the Stanford bunny,
// and reports the edge-table rows, the nets and the lugs of each unfolding.
//   kivano_bench_unfold [--benchmark_filter=...]
// KIVANO_FULL_SCAN=1 times the overlap tests without the spatial index.
#include "bench/meshgen/meshgen.h"
#include "bench/meshgen/objio.h"
#include "tests/unfold/unfold_fixture.h"
#include "unfold/algokante.h"
#include "unfold/gtc.h"
#include "unfold/run_state.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

static int lugCount() {
    int lugs = 0;
    for (const auto& triangles : gtvec)
        for (const auto& t : triangles)
            for (int k = 0; k < 3; ++k)
                lugs += t->Lugs[k][0] ? 1 : 0;
    return lugs;
}

static int activeNets() {
    int nets = 0;
    for (const auto& net : gtcvec)
        nets += net->active ? 1 : 0;
    return nets;
}

static void unfold(benchmark::State& state, const kivano::TriangleMesh& mesh, bool lugs = true) {
    int rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        loadMeshes({mesh}, lugs);
        rows = createedgetab().size();
        state.ResumeTiming();
        algokante();
    }
    state.counters["triangles"] = double(mesh.triangleCount());
    state.counters["rows"] = rows;
    state.counters["nets"] = activeNets();
    state.counters["lugs"] = lugCount();
}

static void sphere(benchmark::State& state) {
    unfold(state, kivano::makeIcosphere(int(state.range(0)), 0.1, 1));
}

// Without lugs fewer joins are refused and the nets grow large.
static void sphereWithoutLugs(benchmark::State& state) {
    unfold(state, kivano::makeIcosphere(int(state.range(0)), 0.1, 1), false);
}

static void tube(benchmark::State& state) {
    // 100 segments around, rings along: 200 triangles a ring
    unfold(state, kivano::makeTube(100, int(state.range(0)) / 200, 0.1, 1));
}

static void sheet(benchmark::State& state) {
    int side = int(std::sqrt(double(state.range(0)) / 2));
    unfold(state, kivano::makeWavedSheet(side, side, 0.5));
}

static void bunny(benchmark::State& state) {
    static kivano::TriangleMesh mesh;
    std::string error;
    if (mesh.indices.empty() &&
        !kivano::readObj(KIVANO_SOURCE_DIR "/../shared/models/bunny.obj", mesh, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    unfold(state, mesh);
}

BENCHMARK(sphere)
    ->Name("algokante/sphere")
    ->Arg(3)
    ->Arg(4)
    ->Arg(5)
    ->Arg(6)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(sphereWithoutLugs)
    ->Name("algokante/sphere_without_lugs")
    ->Arg(4)
    ->Arg(5)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(tube)
    ->Name("algokante/tube")
    ->Arg(20000)
    ->Arg(80000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(sheet)
    ->Name("algokante/sheet")
    ->Arg(20000)
    ->Arg(80000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(bunny)->Name("algokante/bunny")->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
