#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../test_files.h"
#include "common/read_gate.h"

namespace fs = std::filesystem;

// The folder is compared as the file system resolves it: neither "..", nor
// a link, nor a sibling whose name merely starts alike lets a file out.
TEST(ReadGate, OnlyFilesInsideTheFolderMayBeRead) {
    TempDir dir("kivano-gate");
    fs::create_directories(dir.path / "job1/sub");
    fs::create_directories(dir.path / "job10");
    std::ofstream(dir.path / "secret.png") << "not the job's";
    fs::create_symlink(dir.path / "secret.png", dir.path / "job1/out");
    fs::create_symlink(dir.path / "job1/sub", dir.path / "job1/in");
    EXPECT_TRUE(kivano::mayRead(dir.path / "secret.png"));  // no folder set: as before

    kivano::setReadRoot(dir.path / "job1/");
    for (const char* inside : {"job1/model.obj", "job1/sub/../tex.png", "job1/in/tex.png", "job1"})
        EXPECT_TRUE(kivano::mayRead(dir.path / inside)) << inside;
    for (const char* outside :
         {"secret.png", "job1/../secret.png", "job1/out", "job10/model.obj", "job1/sub/../../x"})
        EXPECT_FALSE(kivano::mayRead(dir.path / outside)) << outside;
}
