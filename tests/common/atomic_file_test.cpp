#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/atomic_file.h"

using namespace kivano;
namespace fs = std::filesystem;

namespace {

struct TempDir {
    fs::path path;
    TempDir() {
        path =
            fs::temp_directory_path() /
            ("kivano-common-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
};

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

size_t filesIn(const fs::path& dir) {
    return size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

}  // namespace

TEST(AtomicFile, ReplacesOnlyOnCommit) {
    TempDir dir;
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
    EXPECT_EQ(filesIn(dir.path), 1u);
    ASSERT_TRUE(writeFileAtomically(target.string(), "new", error));
    EXPECT_EQ(readAll(target), "new");
}
