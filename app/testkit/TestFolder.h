// Test fixture: a fresh folder per test below the test output folder, removed afterwards, with the
// decimal separator at "." before and after.
#pragma once

#include "platform/Platform.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace scope {

// A fresh, empty folder of the running test: its suite, its name and the process, so that cases run as
// parallel processes (and parametrised cases) never share a file. For tests that do not use the fixture;
// a sub-folder name gives a test several fresh folders.
inline std::filesystem::path FreshTestFolder(const std::string &sub = {}) {
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->name()) + "_" + std::to_string(getpid());
    for (char &c : name)
        if (c == '/')
            c = '_';
    auto folder = std::filesystem::path(TEST_OUTPUT_DIRECTORY) / info->test_suite_name() / name;
    if (!sub.empty())
        folder /= sub;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

class TTestFolder : public ::testing::Test {
protected:
    void SetUp() override {
        Folder = FreshTestFolder();
        platform::SetDecimalSeparator('.');
    }
    void TearDown() override {
        platform::SetDecimalSeparator('.');
        // A test may have made the folder read-only.
        std::filesystem::permissions(Folder, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add);
        std::filesystem::remove_all(Folder);
    }
    std::string PathOf(const std::string &name) const { return (Folder / name).string(); }
    std::string WriteFile(const std::string &name, const std::string &text) const {
        std::ofstream(PathOf(name), std::ios::binary) << text;
        return PathOf(name);
    }
    std::string ReadFile(const std::string &path) const {
        std::string text;
        platform::ReadWholeFile(path, text);
        return text;
    }

    std::filesystem::path Folder;
};

} // namespace scope
