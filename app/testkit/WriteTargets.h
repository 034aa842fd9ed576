// The places a writer may be asked to save to, one fresh folder each: a plain file, a link to a file, a
// link to a link, a dangling link, links to targets that cannot be written, and names at and one past the
// file system's 255-byte limit. After the writer ran, ExpectOnDisk checks what the folder holds: a save
// that may succeed replaced the final target (links stay links, permissions stay), a refused one changed
// nothing, and no temporary file is left in either case.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace scope {

enum class TWriteTargetKind {
    PlainFile,
    LinkToFile,
    LinkToLink,
    DanglingLink,
    LinkToReadOnlyFile,
    LinkIntoReadOnlyFolder,
    LinkToDevice,
    Name255,
    Name256,
};

class TWriteTarget {
public:
    // Every kind this machine can make (a read-only folder does not stop root; no /dev/full, no device).
    static std::vector<TWriteTargetKind> Kinds();
    static std::string KindName(TWriteTargetKind kind);

    // Makes the case in a folder, made when missing and otherwise empty; the name the user gives ends in the
    // extension (".rsb", ".png").
    TWriteTarget(TWriteTargetKind kind, const std::filesystem::path &folder, const std::string &extension);
    ~TWriteTarget();

    TWriteTargetKind Kind;
    // The name the user gives to the writer.
    std::string Path;
    // Whether the file system takes the save: the writer must succeed exactly then.
    bool Saves;

    // Checks the folder after the writer ran and reported its result.
    void ExpectOnDisk(bool saved) const;
    // What the final target holds now (empty when there is none).
    std::string TargetContents() const;

private:
    std::filesystem::path Folder;
    std::string Extension;
    std::filesystem::path Target;
};

} // namespace scope
