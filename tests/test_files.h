// A folder of its own for one test, removed afterwards, and files read back
// whole: what the tests that write files share.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

class TempDir {
public:
    explicit TempDir(const std::string& prefix = "kivano") {
        const ::testing::UnitTest* test = ::testing::UnitTest::GetInstance();
        path = std::filesystem::temp_directory_path() /
               (prefix + "-" + std::to_string(test->random_seed()) + "-" +
                test->current_test_info()->name());
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string operator/(const std::string& name) const { return (path / name).string(); }
    size_t files() const {
        return size_t(std::distance(std::filesystem::directory_iterator(path),
                                    std::filesystem::directory_iterator()));
    }

    std::filesystem::path path;
};

inline std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
