// The table behind `make bench`: per model, the seconds of reading the model,
// of building and initialising the triangles, and of algokante with the net
// index and with the full scan; then, when the kivano tool is built, the
// CPU time and peak memory of a whole `kivano unfold` run to PDF.
//   kivano_bench [--quick]   (--quick: the models up to 20,480 triangles)
#include "bench/meshgen/meshgen.h"
#include "bench/meshgen/objio.h"
#include "tests/unfold/unfold_fixture.h"
#include "unfold/algokante.h"
#include "unfold/gtc.h"
#include "unfold/netindex.h"
#include "unfold/run_state.h"

#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace
{
struct Model
{
	std::string name;
	std::function<kivano::TriangleMesh()> make;
	bool scanToo; // the full scan of the largest models takes minutes
};

struct Row
{
	size_t triangles = 0;
	double read = 0, prepare = 0, indexed = 0, scanned = -1, run = -1;
	long peakKilobytes = -1;
	int nets = 0;
};
} // namespace

// CPU seconds: the machines this runs on are shared, and wall time there
// mostly measures the neighbours.
static double cpuNow()
{
	timespec now;
	clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
	return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

static double secondsSince(double start)
{
	return cpuNow() - start;
}

static double rusageSeconds(const struct rusage& usage)
{
	return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

static int activeNets()
{
	int nets = 0;
	for (const auto& net : gtcvec)
		nets += net->active ? 1 : 0;
	return nets;
}

static double timeAlgokante(const kivano::TriangleMesh& mesh, bool fullScan, Row& row)
{
	if (fullScan)
		setenv("KIVANO_FULL_SCAN", "1", 1);
	else
		unsetenv("KIVANO_FULL_SCAN");
	double start = cpuNow();
	loadMeshes({mesh}, true);
	row.prepare = secondsSince(start);
	start = cpuNow();
	algokante();
	double seconds = secondsSince(start);
	row.nets = activeNets();
	unsetenv("KIVANO_FULL_SCAN");
	return seconds;
}

// Runs `kivano unfold` as a child process; its CPU time and peak resident memory.
static bool timeWholeRun(const std::string& model, const std::string& pdf, Row& row)
{
	std::string tool = KIVANO_TOOL;
	if (tool.empty() || access(tool.c_str(), X_OK) != 0)
		return false;
	const char* argv[] = {tool.c_str(), "unfold", model.c_str(), "-o", pdf.c_str(), "--quiet", nullptr};
	pid_t child;
	if (posix_spawn(&child, tool.c_str(), nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
		return false;
	int status = 0;
	struct rusage usage = {};
	if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
	{
		std::fprintf(stderr, "kivano unfold %s failed\n", model.c_str());
		return false;
	}
	row.run = rusageSeconds(usage);
	row.peakKilobytes = usage.ru_maxrss;
	return true;
}

static Row measure(const Model& model, const std::string& directory)
{
	Row row;
	std::string path = directory + "/" + model.name + ".obj";
	if (!kivano::writeObj(model.make(), path.c_str()))
		std::fprintf(stderr, "cannot write %s\n", path.c_str());
	double start = cpuNow();
	kivano::TriangleMesh mesh;
	std::string error;
	if (!kivano::readObj(path.c_str(), mesh, error))
		std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
	row.read = secondsSince(start);
	row.triangles = mesh.triangleCount();
	row.indexed = timeAlgokante(mesh, false, row);
	if (model.scanToo)
		row.scanned = timeAlgokante(mesh, true, row);
	clearRun();
	timeWholeRun(path, directory + "/" + model.name + ".pdf", row);
	return row;
}

static void printCell(double value, const char* format)
{
	if (value < 0)
		std::printf("%10s", "-");
	else
		std::printf(format, value);
}

static void printRow(const std::string& name, const Row& row)
{
	std::printf("%-16s %9zu %6d %9.3f %9.3f %10.3f", name.c_str(), row.triangles, row.nets, row.read, row.prepare, row.indexed);
	printCell(row.scanned, "%10.3f");
	printCell(row.scanned < 0 ? -1 : row.scanned / row.indexed, "%9.1fx");
	printCell(row.run, "%10.3f");
	printCell(row.peakKilobytes < 0 ? -1 : double(row.peakKilobytes) / 1024, "%10.1f");
	std::printf("\n");
}

int main(int argc, char** argv)
{
	bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
	std::vector<Model> models = {
	    {"sphere-1280", [] { return kivano::makeIcosphere(3, 0.1, 1); }, true},
	    {"sphere-5120", [] { return kivano::makeIcosphere(4, 0.1, 1); }, true},
	    {"sphere-20480", [] { return kivano::makeIcosphere(5, 0.1, 1); }, true},
	    {"tube-20000", [] { return kivano::makeTube(100, 100, 0.1, 1); }, true},
	};
	if (!quick)
	{
		models.push_back({"sphere-81920", [] { return kivano::makeIcosphere(6, 0.1, 1); }, false});
		models.push_back({"tube-80000", [] { return kivano::makeTube(100, 400, 0.1, 1); }, false});
	}

	char directory[] = "/tmp/kivano-bench-XXXXXX";
	if (!mkdtemp(directory))
	{
		std::perror("kivano_bench: temporary directory");
		return 1;
	}
	std::printf("%-16s %9s %6s %9s %9s %10s %10s %10s %10s %10s\n", "model", "triangles", "nets", "read s", "init s",
	    "algokante", "full scan", "speed-up", "unfold s", "peak MB");
	for (const Model& model : models)
	{
		printRow(model.name, measure(model, directory));
		std::fflush(stdout);
	}
	Model bunny = {"bunny", [] {
		               kivano::TriangleMesh mesh;
		               std::string error;
		               if (!kivano::readObj(KIVANO_SOURCE_DIR "/../shared/models/bunny.obj", mesh, error))
			               std::fprintf(stderr, "bunny: %s\n", error.c_str());
		               return mesh;
	               },
	    true};
	printRow(bunny.name, measure(bunny, directory));
	std::printf("(CPU seconds; 'unfold s' and 'peak MB' are a whole `kivano unfold MODEL -o MODEL.pdf` run)\n");
	return 0;
}
