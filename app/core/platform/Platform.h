// Small platform services the engine needs, each behind a seam that tests can replace.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace scope {

namespace platform {

// Folder of the running executable, with a trailing "/".
std::string ProgramFolder();
// Makes the program folder the working folder; false when that fails.
bool ChangeToProgramFolder();
// Joins a folder and a file name with exactly one "/".
std::string JoinPath(const std::string &folder, const std::string &name);
// Final component of a path.
std::string FileName(const std::string &path);
// Folder of a path, with a trailing "/" (empty when the path has none).
std::string FolderOf(const std::string &path);
bool FileExists(const std::string &path);

// A shared library loaded by absolute path; freed with the object.
class TLibrary {
public:
    TLibrary() = default;
    ~TLibrary();
    TLibrary(const TLibrary &) = delete;
    TLibrary &operator=(const TLibrary &) = delete;

    // Loads the library; false (with Error() set) when it cannot be loaded.
    bool Load(const std::string &absolutePath);
    void Free();
    bool Loaded() const { return Handle != nullptr; }
    // Address of an export, or null when the library lacks it.
    void *Symbol(const char *name) const;
    template <typename F> F Bind(const char *name) const { return reinterpret_cast<F>(Symbol(name)); }
    const std::string &Error() const { return LastError; }

private:
    void *Handle = nullptr;
    std::string LastError;
};

// Executable paths of the running processes, from /proc/*/exe.
std::vector<std::string> RunningExecutables();
// How many of the given executable paths end in the given file name.
int CountProcessesNamed(const std::vector<std::string> &executables, const std::string &fileName);

// A named lock that other processes can see: an flock on a file in /dev/shm.
class TNamedLock {
public:
    explicit TNamedLock(std::string name, std::string folder = "/dev/shm");
    ~TNamedLock();
    TNamedLock(const TNamedLock &) = delete;
    TNamedLock &operator=(const TNamedLock &) = delete;

    // Takes the lock; false when another holder has it.
    bool TryAcquire();
    void Release();
    bool Held() const { return Fd >= 0; }
    // True when some holder (this process or another) has the named lock now.
    static bool IsTaken(const std::string &name, const std::string &folder = "/dev/shm");

private:
    std::string Path;
    int Fd = -1;
};

// Millisecond tick counter.
class IClock {
public:
    virtual ~IClock() = default;
    virtual uint32_t TickCount() = 0;
};

class ISleeper {
public:
    virtual ~ISleeper() = default;
    virtual void Sleep(uint32_t milliseconds) = 0;
};

// Random numbers: a uniform integer in [0, range) and a uniform double in [0, 1).
class IRandom {
public:
    virtual ~IRandom() = default;
    virtual int32_t Next(int32_t range) = 0;
    virtual double NextDouble() = 0;
};

class TSteadyClock : public IClock {
public:
    uint32_t TickCount() override;
};

class TThreadSleeper : public ISleeper {
public:
    void Sleep(uint32_t milliseconds) override;
};

class TMersenneRandom : public IRandom {
public:
    explicit TMersenneRandom(uint32_t seed = std::random_device{}()) : Engine(seed) {}
    int32_t Next(int32_t range) override;
    double NextDouble() override;

private:
    std::mt19937 Engine;
};

// A clock that moves only when told, and a sleeper that advances it: tests run time without waiting.
class TManualClock : public IClock, public ISleeper {
public:
    uint32_t TickCount() override { return Now; }
    void Sleep(uint32_t milliseconds) override { Now += milliseconds; }
    void Advance(uint32_t milliseconds) { Now += milliseconds; }
    uint32_t Now = 0;
};

// Runs a call in the GUI thread while the calling thread waits. The program queues it into the
// GUI thread; tests run it inline.
class ISynchronizer {
public:
    virtual ~ISynchronizer() = default;
    virtual void Synchronize(const std::function<void()> &call) = 0;
    // Queues the call after those before it without waiting for it; what it raises goes nowhere. Without
    // a wake-up it runs with the next call that has one, or at the next Wake.
    virtual void Post(const std::function<void()> &call, bool wake = true) {
        (void)wake;
        try {
            Synchronize(call);
        } catch (...) {
        }
    }
    virtual void Wake() {}
};

class TInlineSynchronizer : public ISynchronizer {
public:
    void Synchronize(const std::function<void()> &call) override { call(); }
};

// The user's decimal separator, read once from the desktop locale at start-up.
char DecimalSeparator();
void SetDecimalSeparator(char separator);

// The file a path names in the end: a symbolic link is followed, link after link, to its last target,
// which need not exist yet. False (errno ELOOP) when the links go round.
bool FinalTarget(const std::string &path, std::string &target);

// A file written through a temporary file in the folder of its final target (a symbolic link stays and
// its target is replaced), renamed over that target by Commit only when every byte was written; dropping
// it uncommitted removes the temporary file. The replacement keeps the target's permissions. A target
// that is not a regular file, or that the user may not write, is refused and stays as it is.
class TSafeFileWriter {
public:
    TSafeFileWriter() = default;
    ~TSafeFileWriter();
    TSafeFileWriter(const TSafeFileWriter &) = delete;
    TSafeFileWriter &operator=(const TSafeFileWriter &) = delete;

    bool Open(const std::string &path);
    // False once any write failed; later writes do nothing.
    bool Write(const void *data, size_t size);
    bool Write(const std::string &text) { return Write(text.data(), text.size()); }
    bool Commit();
    void Abort();
    bool Ok() const { return Good; }
    // The system's words for the last failure of Open, Write or Commit.
    const std::string &Error() const { return LastError; }

private:
    bool Fail(int error);
    bool Fail(const char *text);

    std::string Target, Temp, LastError;
    int Fd = -1;
    bool Good = false;
};

// Removes the temporary files that killed writers of the safe writer left in the folder of the path:
// those named ".<any name>.<process id>.XXXXXX" whose process is gone (or whose process id now belongs
// to a process started after the file was last written), and, of the older form ".<name>.XXXXXX" for
// this path's own name, those last written before this program started. Only regular files of this user
// go; every other file stays. Returns how many were removed.
int RemoveStaleTemporaries(const std::string &path);

// Writes a file through a temporary file in the same folder that is renamed over the target only
// when every byte was written; a failure leaves the old file untouched.
bool WriteFileAtomically(const std::string &path, const std::string &contents);

// Opens a file the user named for reading, without ever waiting: only a regular file opens (also through
// links); a FIFO, device or directory is refused. The descriptor, or -1 with errno set.
int OpenRegularFile(const std::string &path);

enum class TReadResult { Ok, CannotOpen, ReadFailed, TooLarge };
// Reads a whole regular file of at most limit bytes. CannotOpen leaves the contents empty, TooLarge too;
// ReadFailed leaves what was read before the failure.
TReadResult ReadFileUpTo(const std::string &path, std::string &contents, uint64_t limit);
// Reads a whole regular file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string &path, std::string &contents);

} // namespace platform

} // namespace scope
