// Long use: run, undo, redo, undo, over and over, through every option and
// arrangement. After every undo the scene is the one before the run, after
// every redo the one the run made, and the memory in use does not creep up.
#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/messages.h"
#include "host_session.h"
#include "plugin/option_controls.h"
#include "scene/scene_digest.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPlainAllocator = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPlainAllocator = false;
#else
constexpr bool kPlainAllocator = true;
#endif
#else
constexpr bool kPlainAllocator = true;
#endif

int cyclesFromEnvironment(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text && std::atoi(text) > 0 ? std::atoi(text) : fallback;
}

// Bytes the program has taken from malloc and not given back.
size_t heapInUse() {
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// The options of one cycle: every arrangement, with and without lugs, with
// and without deleting the source, with and without a (small) page limit.
std::vector<std::string> optionEdits(int cycle) {
    const char* radios[] = {KIVANO_CONTROL_SIDE_BY_SIDE, KIVANO_CONTROL_ANIMATION,
                            KIVANO_CONTROL_LAYERED};
    auto flag = [](bool on) { return on ? "True" : "False"; };
    bool lugs = (cycle / 3) % 2 == 0;
    bool deleteOriginal = (cycle / 6) % 2 == 0;
    bool limitPage = (cycle / 12) % 2 == 1;
    return {
        std::string("cmds.radioButton(") + radios[cycle % 3] + ",edit=True,select=True)",
        std::string("cmds.checkBox(" KIVANO_CONTROL_GENERATE_LUGS ",edit=True,value=") +
            flag(lugs) + ")",
        std::string("cmds.checkBox(" KIVANO_CONTROL_DELETE_ORIGINAL ",edit=True,value=") +
            flag(deleteOriginal) + ")",
        std::string("cmds.checkBox(" KIVANO_CONTROL_LIMIT_PAGE ",edit=True,value=") +
            flag(limitPage) + ")",
        std::string("cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_WIDTH ",edit=True,text='") +
            (limitPage ? "60" : "210") + "')",
        std::string("cmds.textFieldGrp(" KIVANO_CONTROL_PAGE_HEIGHT ",edit=True,text='") +
            (limitPage ? "80" : "297") + "')",
        std::string("cmds.textFieldGrp(" KIVANO_CONTROL_LUG_WIDTH ",edit=True,text='") +
            (cycle % 2 ? "2.5" : "4") + "')",
    };
}

std::string describe(int cycle) {
    return "cycle " + std::to_string(cycle) + " (arrangement " + std::to_string(cycle % 3) +
           ", lugs " + std::to_string((cycle / 3) % 2 == 0) + ", delete original " +
           std::to_string((cycle / 6) % 2 == 0) + ", page limit " +
           std::to_string((cycle / 12) % 2 == 1) + ")";
}

// The scene without its time line: the animation arrangement moves the
// playback range and the current time, and an undo leaves them where the run
// put them, as the host does for every change of the current time.
std::string sceneContent() {
    std::string digest = host::scene::sceneDigest();
    size_t time = digest.rfind("\ntime ");
    return time == std::string::npos ? digest : digest.substr(0, time + 1);
}

struct SoakFigures {
    std::vector<size_t> heap;  // bytes in use after each cycle
};

// The selection is made once: each undo must give it back for the next run.
bool cycleOnce(int cycle) {
    SCOPED_TRACE(describe(cycle));
    for (const std::string& edit : optionEdits(cycle))
        EXPECT_TRUE(runPython(edit)) << edit;
    const std::string before = sceneContent();

    EXPECT_TRUE(run("kivano"));
    const std::string after = sceneContent();
    EXPECT_NE(after, before) << "the run made nothing";
    EXPECT_TRUE(postedErrors().empty()) << postedErrors().front();

    EXPECT_TRUE(run("undo"));
    std::string undone = sceneContent();
    EXPECT_TRUE(undone == before) << "first undo: " << firstDifference(before, undone);
    EXPECT_TRUE(run("redo"));
    std::string redone = sceneContent();
    EXPECT_TRUE(redone == after) << "redo: " << firstDifference(after, redone);
    EXPECT_TRUE(run("undo"));
    undone = sceneContent();
    EXPECT_TRUE(undone == before) << "second undo: " << firstDifference(before, undone);
    clearMessages();
    return !::testing::Test::HasFailure();
}

// Every combination of options comes round once in this many cycles.
constexpr int kOptionRound = 24;

SoakFigures soak(const std::vector<std::string>& selection, int cycles) {
    SoakFigures figures;
    std::string select = "select -r";
    for (const std::string& name : selection)
        select += " " + name;
    EXPECT_TRUE(run(select));
    EXPECT_TRUE(run("kivanomenu -l 1"));
    clearMessages();
    for (int cycle = 0; cycle < cycles; ++cycle) {
        if (!cycleOnce(cycle))
            break;
        figures.heap.push_back(heapInUse());
    }
    return figures;
}

// A run's triangles and nets stay alive until the next run, and how much
// they hold depends on the options, so the heap is compared between cycles
// with the same options: the last cycle against its twin in the second round
// (the first round fills Python's and the host's caches).
void expectNoCreep(const SoakFigures& f, const char* model) {
    if (f.heap.empty())
        return;
    const int last = int(f.heap.size()) - 1;
    const int twin = last % kOptionRound + kOptionRound;
    std::printf(
        "soak %s: %d cycles, heap in use after the first: %zu bytes, after the last: %zu bytes",
        model, last + 1, f.heap.front(), f.heap.back());
    if (twin < last)
        std::printf(", after cycle %d (same options as the last): %zu bytes", twin + 1,
                    f.heap[twin]);
    std::printf("\n");
    if (!kPlainAllocator || twin >= last)
        return;  // the sanitizer's allocator keeps freed blocks (LeakSanitizer checks instead); or too short
    EXPECT_LE(f.heap[last], f.heap[twin] + 16 * 1024)
        << model << ": memory grew from cycle " << twin + 1 << " to " << last + 1;
}

TEST(Soak, CubeSurvivesAHundredRunsUndosAndRedos) {
    resetHost();
    const std::string cube = addCube("pCube1");
    const int cycles = cyclesFromEnvironment("KIVANO_SOAK_CUBE_CYCLES", 100);
    expectNoCreep(soak({cube}, cycles), "cube");
}

TEST(Soak, BunnySurvivesRunsUndosAndRedos) {
    if (!std::filesystem::exists(KIVANO_BUNNY))
        GTEST_SKIP() << KIVANO_BUNNY << " is not on this machine";
    resetHost();
    std::string error;
    std::vector<std::string> names = importFile(KIVANO_BUNNY, error);
    ASSERT_FALSE(names.empty()) << error;
    const int cycles = cyclesFromEnvironment("KIVANO_SOAK_BUNNY_CYCLES", 10);
    expectNoCreep(soak(names, cycles), "bunny");
}

}  // namespace
