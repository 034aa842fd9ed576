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

class TTestFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        Folder = std::filesystem::path(TEST_OUTPUT_DIRECTORY) / info->test_suite_name() /
                 (std::string(info->name()) + "_" + std::to_string(getpid()));
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
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
