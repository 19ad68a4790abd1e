#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../test_files.h"
#include "common/atomic_file.h"

using namespace kivano;
namespace fs = std::filesystem;

TEST(AtomicFile, ReplacesOnlyOnCommit) {
    TempDir dir("kivano-common");
    fs::path target = dir.path / "out.txt";
    std::string error;
    ASSERT_TRUE(writeFileAtomically(target.string(), "old", error)) << error;
    {
        AtomicFile file;
        ASSERT_TRUE(file.open(target.string(), error));
        std::fputs("half", file.stream());
        // Dropped without commit, as when a later stage fails.
    }
    EXPECT_EQ(readAll(target), "old");
    EXPECT_EQ(dir.files(), 1u);
    ASSERT_TRUE(writeFileAtomically(target.string(), "new", error));
    EXPECT_EQ(readAll(target), "new");
}
