#include "testkit/WriteTargets.h"

#include "platform/Platform.h"

#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace scope {

namespace fs = std::filesystem;

namespace {

const char *const OldContents = "old contents";
constexpr auto OldMode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read; // 0640

void Put(const fs::path &path, fs::perms mode) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << OldContents;
    fs::permissions(path, mode);
}

// A name of exactly the given bytes ending in the extension, of two-byte characters where they fit.
std::string NameOfBytes(size_t bytes, const std::string &extension) {
    std::string name;
    while (name.size() + extension.size() + 2 <= bytes)
        name += "\xC3\xA9"; // e acute
    while (name.size() + extension.size() < bytes)
        name += 'x';
    return name + extension;
}

// Every entry below the folder, as paths relative to it.
std::set<std::string> Entries(const fs::path &folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        names.insert(it->path().lexically_relative(folder).string());
    return names;
}

fs::perms Mode(const fs::path &path) {
    std::error_code ec;
    return fs::status(path, ec).permissions() & fs::perms::mask;
}

struct TLink {
    std::string Name, To;
};

std::vector<TLink> LinksOf(TWriteTargetKind kind, const std::string &ext) {
    switch (kind) {
    case TWriteTargetKind::LinkToFile:
    case TWriteTargetKind::LinkToReadOnlyFile:
        return {{"link" + ext, "target" + ext}};
    case TWriteTargetKind::LinkToLink:
        return {{"link" + ext, "middle" + ext}, {"middle" + ext, "sub/target" + ext}};
    case TWriteTargetKind::DanglingLink:
        return {{"link" + ext, "absent" + ext}};
    case TWriteTargetKind::LinkIntoReadOnlyFolder:
        return {{"link" + ext, "locked/target" + ext}};
    case TWriteTargetKind::LinkToDevice:
        return {{"link" + ext, "/dev/full"}};
    default:
        return {};
    }
}

} // namespace

std::vector<TWriteTargetKind> TWriteTarget::Kinds() {
    std::vector<TWriteTargetKind> kinds = {
        TWriteTargetKind::PlainFile,    TWriteTargetKind::LinkToFile,         TWriteTargetKind::LinkToLink,
        TWriteTargetKind::DanglingLink, TWriteTargetKind::LinkToReadOnlyFile, TWriteTargetKind::Name255,
        TWriteTargetKind::Name256};
    if (geteuid() != 0)
        kinds.push_back(TWriteTargetKind::LinkIntoReadOnlyFolder);
    struct stat st;
    if (stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode))
        kinds.push_back(TWriteTargetKind::LinkToDevice);
    return kinds;
}

std::string TWriteTarget::KindName(TWriteTargetKind kind) {
    switch (kind) {
    case TWriteTargetKind::PlainFile:
        return "plain file";
    case TWriteTargetKind::LinkToFile:
        return "link to a file";
    case TWriteTargetKind::LinkToLink:
        return "link to a link";
    case TWriteTargetKind::DanglingLink:
        return "dangling link";
    case TWriteTargetKind::LinkToReadOnlyFile:
        return "link to a read-only file";
    case TWriteTargetKind::LinkIntoReadOnlyFolder:
        return "link into a read-only folder";
    case TWriteTargetKind::LinkToDevice:
        return "link to /dev/full";
    case TWriteTargetKind::Name255:
        return "255-byte name";
    case TWriteTargetKind::Name256:
        return "256-byte name";
    }
    return "?";
}

TWriteTarget::TWriteTarget(TWriteTargetKind kind, const fs::path &folder, const std::string &extension)
    : Kind(kind), Saves(true), Folder(folder), Extension(extension) {
    fs::create_directories(folder);
    const std::string ext = extension;
    switch (kind) {
    case TWriteTargetKind::PlainFile:
        Target = folder / ("plain" + ext);
        Put(Target, OldMode);
        break;
    case TWriteTargetKind::LinkToFile:
        Target = folder / ("target" + ext);
        Put(Target, OldMode);
        break;
    case TWriteTargetKind::LinkToLink:
        Target = folder / "sub" / ("target" + ext);
        Put(Target, OldMode);
        break;
    case TWriteTargetKind::DanglingLink:
        Target = folder / ("absent" + ext);
        break;
    case TWriteTargetKind::LinkToReadOnlyFile:
        Target = folder / ("target" + ext);
        Put(Target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        Saves = false;
        break;
    case TWriteTargetKind::LinkIntoReadOnlyFolder:
        Target = folder / "locked" / ("target" + ext);
        Put(Target, OldMode);
        fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec);
        Saves = false;
        break;
    case TWriteTargetKind::LinkToDevice:
        Target = "/dev/full";
        Saves = false;
        break;
    case TWriteTargetKind::Name255:
        Target = folder / NameOfBytes(255, ext);
        break;
    case TWriteTargetKind::Name256:
        Target = folder / NameOfBytes(256, ext);
        Saves = false;
        break;
    }
    const std::vector<TLink> links = LinksOf(kind, ext);
    for (const TLink &link : links)
        fs::create_symlink(link.To, folder / link.Name);
    Path = links.empty() ? Target.string() : (folder / links.front().Name).string();
}

TWriteTarget::~TWriteTarget() {
    std::error_code ec;
    if (Kind == TWriteTargetKind::LinkIntoReadOnlyFolder)
        fs::permissions(Folder / "locked", fs::perms::owner_all, fs::perm_options::add, ec);
}

std::string TWriteTarget::TargetContents() const {
    std::string text;
    if (Kind != TWriteTargetKind::LinkToDevice)
        platform::ReadWholeFile(Target.string(), text);
    return text;
}

void TWriteTarget::ExpectOnDisk(bool saved) const {
    SCOPED_TRACE(KindName(Kind));
    EXPECT_EQ(saved, Saves) << "the writer's result";
    for (const TLink &link : LinksOf(Kind, Extension)) {
        std::error_code ec;
        EXPECT_TRUE(fs::is_symlink(Folder / link.Name, ec)) << link.Name << " is no longer a link";
        EXPECT_EQ(fs::read_symlink(Folder / link.Name, ec).string(), link.To);
    }
    std::set<std::string> expected;
    for (const TLink &link : LinksOf(Kind, Extension))
        expected.insert(link.Name);
    if (Target.string().compare(0, Folder.string().size(), Folder.string()) == 0) {
        const fs::path inside = Target.lexically_relative(Folder);
        for (fs::path p = inside; !p.empty(); p = p.parent_path())
            expected.insert(p.string());
    }
    if (Kind == TWriteTargetKind::Name256 || (Kind == TWriteTargetKind::DanglingLink && !saved))
        expected.erase(Target.lexically_relative(Folder).string());
    EXPECT_EQ(Entries(Folder), expected) << "files left in the folder";

    if (Kind == TWriteTargetKind::LinkToDevice || Kind == TWriteTargetKind::Name256)
        return;
    if (Kind == TWriteTargetKind::DanglingLink && !saved)
        return;
    std::error_code ec;
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Target, ec))) << Target;
    const std::string now = TargetContents();
    if (!Saves) {
        EXPECT_EQ(now, OldContents) << "a refused save changed the target";
        return;
    }
    EXPECT_FALSE(now.empty());
    EXPECT_NE(now, OldContents) << "the target was not replaced";
    const bool existed = Kind != TWriteTargetKind::DanglingLink && Kind != TWriteTargetKind::Name255;
    if (existed) {
        EXPECT_EQ(Mode(Target), OldMode) << "the target's permissions were not kept";
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        EXPECT_EQ(static_cast<mode_t>(Mode(Target)), 0666 & ~mask);
    }
}

} // namespace scope
