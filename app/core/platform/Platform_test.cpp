#include "platform/Platform.h"

#include "testkit/TestFolder.h"
#include "testkit/WriteTargets.h"

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
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

// The id of a process that has ended and been reaped: a writer that is gone.
pid_t GoneProcess() {
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child ? child : -1;
}

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

// What the safe writer tells for each place it refuses: the system's words.
TEST(SafeWriter, RefusalsSayWhyAndEveryPlaceEndsAsItShould) {
    const std::filesystem::path folder = FreshTestFolder();
    int n = 0;
    for (const TWriteTargetKind kind : TWriteTarget::Kinds()) {
        const TWriteTarget target(kind, folder / std::to_string(n++), ".rsb");
        platform::TSafeFileWriter w;
        const bool saved = w.Open(target.Path) && w.Write("new contents") && w.Commit();
        target.ExpectOnDisk(saved);
        const std::map<TWriteTargetKind, std::string> why = {
            {TWriteTargetKind::LinkToReadOnlyFile, "Permission denied"},
            {TWriteTargetKind::LinkIntoReadOnlyFolder, "Permission denied"},
            {TWriteTargetKind::LinkToDevice, "Not a regular file"},
            {TWriteTargetKind::Name256, "File name too long"},
        };
        EXPECT_EQ(w.Error(), why.count(kind) ? why.at(kind) : "") << TWriteTarget::KindName(kind);
        if (saved) {
            EXPECT_EQ(target.TargetContents(), "new contents");
        }
    }
    std::filesystem::remove_all(folder);
}

TEST_F(TempFolder, LinksInACircleAreRefused) {
    ASSERT_EQ(symlink("b.rsb", Path("a.rsb").c_str()), 0);
    ASSERT_EQ(symlink("a.rsb", Path("b.rsb").c_str()), 0);
    platform::TSafeFileWriter w;
    EXPECT_FALSE(w.Open(Path("a.rsb")));
    EXPECT_EQ(w.Error(), std::strerror(ELOOP));
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()), 2);
}

// Files the user may name that are no regular files: none of them is waited on or read.
TEST_F(TempFolder, ReadersOpenOnlyRegularFilesWithoutWaiting) {
    ASSERT_EQ(mkfifo(Path("pipe.rsb").c_str(), 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", Path("zero.st").c_str()), 0);
    ASSERT_EQ(mkdir(Path("folder.rsb").c_str(), 0755), 0);
    ASSERT_EQ(symlink("pipe.rsb", Path("link-to-pipe.rsb").c_str()), 0);
    ASSERT_TRUE(platform::WriteFileAtomically(Path("plain.rsb"), "plain"));
    ASSERT_EQ(symlink("plain.rsb", Path("link.rsb").c_str()), 0);
    struct TCase {
        std::string Name;
        bool Opens;
    };
    for (const TCase &c : std::vector<TCase>{{"pipe.rsb", false},
                                             {"zero.st", false},
                                             {"folder.rsb", false},
                                             {"link-to-pipe.rsb", false},
                                             {"missing.rsb", false},
                                             {"plain.rsb", true},
                                             {"link.rsb", true}}) {
        SCOPED_TRACE(c.Name);
        const int fd = platform::OpenRegularFile(Path(c.Name));
        EXPECT_EQ(fd >= 0, c.Opens);
        if (fd >= 0) {
            EXPECT_EQ(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
            close(fd);
        }
        std::string text = "stale";
        EXPECT_EQ(platform::ReadFileUpTo(Path(c.Name), text, 1 << 20),
                  c.Opens ? platform::TReadResult::Ok : platform::TReadResult::CannotOpen);
        EXPECT_EQ(text, c.Opens ? "plain" : "");
    }
}

TEST_F(TempFolder, ReadsStopAtTheirLimit) {
    ASSERT_TRUE(platform::WriteFileAtomically(Path("ten"), "0123456789"));
    std::string text;
    EXPECT_EQ(platform::ReadFileUpTo(Path("ten"), text, 10), platform::TReadResult::Ok);
    EXPECT_EQ(text, "0123456789");
    EXPECT_EQ(platform::ReadFileUpTo(Path("ten"), text, 9), platform::TReadResult::TooLarge);
    EXPECT_EQ(text, "");
    // Files of /proc tell no size; their reads are held to the limit as they go.
    EXPECT_EQ(platform::ReadFileUpTo("/proc/self/maps", text, 16), platform::TReadResult::TooLarge);
    EXPECT_EQ(text, "");
    EXPECT_TRUE(platform::ReadWholeFile("/proc/self/stat", text));
    EXPECT_FALSE(text.empty());
}

// Temporaries of writers killed while saving: the next save into the folder removes those whose writer is
// gone, whatever target they were for, and those of the older form for its own target that predate this
// program; a running writer's file and every other name stay.
TEST_F(TempFolder, StaleTemporariesGoWithTheNextSaveIntoTheFolderForeignFilesStay) {
    const pid_t gone = GoneProcess();
    ASSERT_GT(gone, 0);
    const std::string dead = std::to_string(gone), own = std::to_string(getpid()),
                      parent = std::to_string(getppid());

    struct TCase {
        std::string Name;
        bool Old; // last written on 2000-01-01, before any process running now started
        bool Stale;
    };
    const std::vector<TCase> cases = {
        {".settings.xml." + dead + ".AbC123", false, true},
        {".rec005.rsb." + dead + ".qwErt9", false, true}, // another target's: auto-save numbers its names
        {".x." + dead + ".abcdef", false, true},
        {".settings.xml.Xy12Zw", true, true},             // the older form of this target, before this start
        {".settings.xml." + own + ".Old999", true, true}, // the id was given to this process since
        {".rec.rsb." + parent + ".Old999", true, true},
        {".settings.xml." + parent + ".Live01", false, false}, // its writer runs
        {".rec006.rsb." + parent + ".Live02", false, false},
        {".settings.xml.Fresh1", false, false}, // older form, written after this program started
        {".other.xml.Xy12Zw", true, false},     // older form of another target: no sure sign it is one
        {".settings.xml.bak", true, false},
        {".settings.xml.backup", true, false},
        {".settings.xml.12.ab", true, false},
        {".settings.xml.AbCd1!", true, false},
        {"settings.xml.AbC123", true, false},
        {".settings.xml.x" + dead + ".AbC123", true, false},
        {".settings.xml.0" + dead + ".AbC123", true, false},
        {"." + dead + ".AbC123", true, false},
        {"..123.AbC123", true, false},
        {".bashrc", true, false},
        {".config." + dead, true, false},
    };
    for (const TCase &c : cases) {
        ASSERT_TRUE(platform::WriteFileAtomically(Path(c.Name), std::string(1000, 'x')));
        if (c.Old) {
            const struct timespec times[2] = {{946684800, 0}, {946684800, 0}};
            ASSERT_EQ(utimensat(AT_FDCWD, Path(c.Name).c_str(), times, 0), 0);
        }
    }
    // Not regular files: a folder and a link named like temporaries.
    fs::create_directory(Path(".settings.xml." + dead + ".Dir123"));
    ASSERT_EQ(symlink("settings.xml", Path(".settings.xml." + dead + ".Lnk123").c_str()), 0);

    ASSERT_TRUE(platform::WriteFileAtomically(Path("settings.xml"), "saved"));
    size_t kept = 0;
    for (const TCase &c : cases) {
        EXPECT_EQ(fs::exists(Path(c.Name)), !c.Stale) << c.Name;
        kept += !c.Stale;
    }
    EXPECT_TRUE(fs::is_directory(Path(".settings.xml." + dead + ".Dir123")));
    EXPECT_TRUE(fs::is_symlink(Path(".settings.xml." + dead + ".Lnk123")));
    EXPECT_EQ(Read(Path("settings.xml")), "saved");
    // Nothing of the save itself is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()),
              static_cast<std::ptrdiff_t>(kept + 3));
    EXPECT_EQ(platform::RemoveStaleTemporaries(Path("settings.xml")), 0);
}

// A save through a link cleans the folder its temporary goes to: the target's.
TEST_F(TempFolder, ASaveThroughALinkCleansTheTargetsFolder) {
    const pid_t gone = GoneProcess();
    ASSERT_GT(gone, 0);
    fs::create_directory(Path("data"));
    const std::string stale = Path("data/.auto001.rsb." + std::to_string(gone) + ".AbC123");
    ASSERT_TRUE(platform::WriteFileAtomically(stale, "half"));
    ASSERT_EQ(symlink("data/rec.rsb", Path("rec.rsb").c_str()), 0);
    ASSERT_TRUE(platform::WriteFileAtomically(Path("rec.rsb"), "record"));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_EQ(Read(Path("data/rec.rsb")), "record");
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
