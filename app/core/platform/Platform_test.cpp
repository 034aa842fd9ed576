#include "platform/Platform.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// Temporaries of writers killed while saving: the next save of the same target removes those whose writer
// is gone or that predate this program; a running writer's file and every other name stay.
TEST_F(TempFolder, StaleTemporariesGoWithTheNextSaveForeignFilesStay) {
    const pid_t gone = fork();
    ASSERT_GE(gone, 0);
    if (gone == 0)
        _exit(0);
    int status = 0;
    ASSERT_EQ(waitpid(gone, &status, 0), gone);
    const std::string dead = std::to_string(gone), own = std::to_string(getpid()),
                      parent = std::to_string(getppid());

    auto make = [&](const std::string &name, bool old) {
        ASSERT_TRUE(platform::WriteFileAtomically(Path(name), std::string(1000, 'x')));
        if (old) {
            const struct timespec times[2] = {{946684800, 0}, {946684800, 0}}; // 2000-01-01
            ASSERT_EQ(utimensat(AT_FDCWD, Path(name).c_str(), times, 0), 0);
        }
    };
    const std::vector<std::string> stale = {".settings.xml." + dead + ".AbC123", ".settings.xml.Xy12Zw",
                                            ".settings.xml." + own + ".Old999"};
    make(stale[0], false);
    make(stale[1], true);
    make(stale[2], true);
    const std::vector<std::string> kept = {
        ".settings.xml." + parent + ".Live01", // its writer runs
        ".settings.xml.Fresh1",                // older form, written after this program started
        ".settings.xml.bak",
        ".settings.xml.backup",
        ".settings.xml.12.ab",
        ".settings.xml.AbCd1!",
        "settings.xml.AbC123",
        ".other.xml." + dead + ".AbC123",
        ".settings.xml.x" + dead + ".AbC123",
    };
    for (const std::string &name : kept)
        make(name, name != ".settings.xml." + parent + ".Live01" && name != ".settings.xml.Fresh1");
    fs::create_directory(Path(".settings.xml.Dir123"));
    fs::last_write_time(Path(".settings.xml.Dir123"), fs::file_time_type{});

    ASSERT_TRUE(platform::WriteFileAtomically(Path("settings.xml"), "saved"));
    for (const std::string &name : stale)
        EXPECT_FALSE(fs::exists(Path(name))) << name;
    for (const std::string &name : kept)
        EXPECT_TRUE(fs::exists(Path(name))) << name;
    EXPECT_TRUE(fs::is_directory(Path(".settings.xml.Dir123")));
    EXPECT_EQ(Read(Path("settings.xml")), "saved");
    // Nothing of the save itself is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()),
              static_cast<std::ptrdiff_t>(kept.size() + 2));
    EXPECT_EQ(platform::RemoveStaleTemporaries(Path("settings.xml")), 0);
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
