#include "platform/Platform.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scope {

namespace fs = std::filesystem;

namespace {

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/platform_test_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        Dir = tmpl;
    }
    void TearDown() override {
        fs::permissions(Dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(Dir);
    }
    std::string Path(const std::string &name) const { return platform::JoinPath(Dir, name); }
    std::string Dir;
};

std::string Read(const std::string &path) {
    std::string s;
    EXPECT_TRUE(platform::ReadWholeFile(path, s));
    return s;
}

TEST(Paths, JoinAndSplit) {
    EXPECT_EQ(platform::JoinPath("/a/b", "c"), "/a/b/c");
    EXPECT_EQ(platform::JoinPath("/a/b/", "c"), "/a/b/c");
    EXPECT_EQ(platform::JoinPath("", "c"), "c");
    EXPECT_EQ(platform::FileName("/x/y/scope"), "scope");
    EXPECT_EQ(platform::FolderOf("/x/y/scope"), "/x/y/");
    EXPECT_EQ(platform::FolderOf("scope"), "");
    std::string folder = platform::ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(platform::FileExists(folder + "core_tests"));
}

TEST(Processes, CountsExecutablesByFileName) {
    const std::vector<std::string> list = {"/opt/a/scope",  "/home/u/scope",          "/usr/bin/scoped",
                                           "/usr/bin/bash", "/opt/b/scope (deleted)", "scope"};
    EXPECT_EQ(platform::CountProcessesNamed(list, "scope"), 4);
    EXPECT_EQ(platform::CountProcessesNamed(list, "bash"), 1);
    EXPECT_EQ(platform::CountProcessesNamed({}, "scope"), 0);
    // This test program is running, so the real list holds it.
    EXPECT_GE(platform::CountProcessesNamed(platform::RunningExecutables(), "core_tests"), 1);
}

TEST_F(TempFolder, NamedLockIsExclusiveAndVisible) {
    platform::TNamedLock a("TRN_DRV_TarnX_42", Dir), b("TRN_DRV_TarnX_42", Dir);
    EXPECT_FALSE(platform::TNamedLock::IsTaken("TRN_DRV_TarnX_42", Dir));
    ASSERT_TRUE(a.TryAcquire());
    EXPECT_TRUE(platform::TNamedLock::IsTaken("TRN_DRV_TarnX_42", Dir));
    EXPECT_FALSE(b.TryAcquire());
    EXPECT_FALSE(platform::TNamedLock::IsTaken("TRN_DRV_TarnX_43", Dir));
    a.Release();
    EXPECT_FALSE(platform::TNamedLock::IsTaken("TRN_DRV_TarnX_42", Dir));
    EXPECT_TRUE(b.TryAcquire());
}

TEST_F(TempFolder, SafeWriterReplacesOnlyOnCommit) {
    std::string target = Path("settings.xml");
    ASSERT_TRUE(platform::WriteFileAtomically(target, "old"));
    {
        platform::TSafeFileWriter w;
        ASSERT_TRUE(w.Open(target));
        EXPECT_TRUE(w.Write("half-written"));
        // Dropped without commit: the old file stays and no temporary file is left behind.
    }
    EXPECT_EQ(Read(target), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()), 1);
    ASSERT_TRUE(platform::WriteFileAtomically(target, "new"));
    EXPECT_EQ(Read(target), "new");
}

TEST_F(TempFolder, SafeWriterFailuresLeaveTheOldFile) {
    std::string target = Path("record.rsb");
    ASSERT_TRUE(platform::WriteFileAtomically(target, "kept"));
    chmod(target.c_str(), 0444);
    EXPECT_FALSE(platform::WriteFileAtomically(target, "lost"));
    EXPECT_EQ(Read(target), "kept");
    chmod(target.c_str(), 0644);

    EXPECT_FALSE(platform::WriteFileAtomically(Path("missing/folder/file"), "x"));
    platform::TSafeFileWriter w;
    EXPECT_FALSE(w.Commit());

    std::string s;
    EXPECT_FALSE(platform::ReadWholeFile(Path("nothing"), s));
}

TEST(Library, LoadFailuresAndMissingExports) {
    platform::TLibrary lib;
    EXPECT_FALSE(lib.Load("/nonexistent/pellexdrv.so"));
    EXPECT_FALSE(lib.Error().empty());
    EXPECT_EQ(lib.Symbol("InitializeDevice"), nullptr);
    ASSERT_TRUE(lib.Load(std::string(PROGRAM_FOLDER) + "/pellusb.so"));
    EXPECT_EQ(lib.Symbol("NoSuchExport"), nullptr);
    lib.Free();
    EXPECT_FALSE(lib.Loaded());
}

TEST(Seams, ManualClockAdvancesOnlyWhenTold) {
    platform::TManualClock clock;
    EXPECT_EQ(clock.TickCount(), 0u);
    clock.Sleep(250);
    clock.Advance(50);
    EXPECT_EQ(clock.TickCount(), 300u);
    platform::TMersenneRandom a(7), b(7);
    for (int i = 0; i < 20; ++i) {
        int32_t x = a.Next(10);
        EXPECT_EQ(x, b.Next(10));
        EXPECT_GE(x, 0);
        EXPECT_LT(x, 10);
    }
    EXPECT_EQ(a.Next(1), 0);
    EXPECT_EQ(a.Next(0), 0);
}

} // namespace

} // namespace scope
