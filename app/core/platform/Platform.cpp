#include "platform/Platform.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace scope {

namespace platform {

std::string ProgramFolder() {
    std::vector<char> buf(4096);
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0)
        return "./";
    return FolderOf(std::string(buf.data(), static_cast<size_t>(n)));
}

bool ChangeToProgramFolder() {
    return chdir(ProgramFolder().c_str()) == 0;
}

std::string JoinPath(const std::string &folder, const std::string &name) {
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::string FileName(const std::string &path) {
    size_t p = path.find_last_of('/');
    return p == std::string::npos ? path : path.substr(p + 1);
}

std::string FolderOf(const std::string &path) {
    size_t p = path.find_last_of('/');
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

bool FileExists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

TLibrary::~TLibrary() {
    Free();
}

bool TLibrary::Load(const std::string &absolutePath) {
    Free();
    Handle = dlopen(absolutePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!Handle) {
        const char *e = dlerror();
        LastError = e ? e : "unable to load " + absolutePath;
        return false;
    }
    LastError.clear();
    return true;
}

void TLibrary::Free() {
    if (Handle) {
        dlclose(Handle);
        Handle = nullptr;
    }
}

void *TLibrary::Symbol(const char *name) const {
    return Handle ? dlsym(Handle, name) : nullptr;
}

std::vector<std::string> RunningExecutables() {
    std::vector<std::string> result;
    DIR *d = opendir("/proc");
    if (!d)
        return result;
    while (dirent *e = readdir(d)) {
        const char *n = e->d_name;
        bool numeric = *n != 0;
        for (const char *c = n; *c; ++c)
            numeric = numeric && *c >= '0' && *c <= '9';
        if (!numeric)
            continue;
        char buf[4096];
        std::string link = std::string("/proc/") + n + "/exe";
        ssize_t len = readlink(link.c_str(), buf, sizeof buf - 1);
        if (len > 0)
            result.emplace_back(buf, static_cast<size_t>(len));
    }
    closedir(d);
    return result;
}

int CountProcessesNamed(const std::vector<std::string> &executables, const std::string &fileName) {
    int count = 0;
    for (const auto &exe : executables) {
        std::string name = FileName(exe);
        // A replaced binary shows as "name (deleted)"; it is still the same program.
        const std::string deleted = " (deleted)";
        if (name.size() > deleted.size() &&
            name.compare(name.size() - deleted.size(), deleted.size(), deleted) == 0)
            name.resize(name.size() - deleted.size());
        if (name == fileName)
            ++count;
    }
    return count;
}

TNamedLock::TNamedLock(std::string name, std::string folder) : Path(JoinPath(folder, name)) {}

TNamedLock::~TNamedLock() {
    Release();
}

bool TNamedLock::TryAcquire() {
    if (Fd >= 0)
        return true;
    int fd = open(Path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    Fd = fd;
    return true;
}

void TNamedLock::Release() {
    if (Fd >= 0) {
        flock(Fd, LOCK_UN);
        close(Fd);
        Fd = -1;
    }
}

bool TNamedLock::IsTaken(const std::string &name, const std::string &folder) {
    std::string path = JoinPath(folder, name);
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // flock locks belong to the open file description, so a second open sees our own lock too.
    bool taken = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (!taken)
        flock(fd, LOCK_UN);
    close(fd);
    return taken;
}

uint32_t TSteadyClock::TickCount() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void TThreadSleeper::Sleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int32_t TMersenneRandom::Next(int32_t range) {
    if (range <= 1)
        return 0;
    return std::uniform_int_distribution<int32_t>(0, range - 1)(Engine);
}

double TMersenneRandom::NextDouble() {
    return std::uniform_real_distribution<double>(0.0, 1.0)(Engine);
}

namespace {
std::atomic<char> TheDecimalSeparator{'.'};
}

char DecimalSeparator() {
    return TheDecimalSeparator.load(std::memory_order_relaxed);
}

void SetDecimalSeparator(char separator) {
    TheDecimalSeparator.store(separator, std::memory_order_relaxed);
}

namespace {

bool TemporarySuffixChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

constexpr size_t TemporarySuffix = 6; // mkstemp's XXXXXX

// Wall-clock start of a process ("self" or a process id) in seconds since the epoch; 0 when /proc does
// not tell.
time_t ProcessStartTime(const std::string &process) {
    std::string stat, all;
    if (!ReadWholeFile("/proc/" + process + "/stat", stat) || !ReadWholeFile("/proc/stat", all))
        return 0;
    // Field 22 counts after the command name, which may itself hold spaces and parentheses.
    size_t at = stat.rfind(')');
    if (at == std::string::npos)
        return 0;
    unsigned long long ticks = 0;
    if (std::sscanf(stat.c_str() + at + 1,
                    " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
                    &ticks) != 1)
        return 0;
    size_t b = all.find("\nbtime ");
    long long boot = 0;
    if (b == std::string::npos || std::sscanf(all.c_str() + b + 7, "%lld", &boot) != 1 || boot < 0)
        return 0;
    const long hz = sysconf(_SC_CLK_TCK);
    const unsigned long long seconds = ticks / static_cast<unsigned long long>(hz > 0 ? hz : 100);
    if (seconds > static_cast<unsigned long long>(std::numeric_limits<int32_t>::max()))
        return 0;
    return static_cast<time_t>(boot + static_cast<long long>(seconds));
}

// The writer's process id of a directory entry that is a temporary of the safe writer: a positive id for
// ".<name>.<process id>.XXXXXX" (any name), 0 for the older form ".<own name>.XXXXXX" of the given target
// name, -1 for anything else.
long TemporaryWriter(const std::string &entry, const std::string &ownName) {
    if (entry.size() < 1 + TemporarySuffix || entry[0] != '.')
        return -1;
    const size_t suffixAt = entry.size() - TemporarySuffix;
    for (size_t i = suffixAt; i < entry.size(); ++i)
        if (!TemporarySuffixChar(entry[i]))
            return -1;
    const std::string ownPrefix = "." + ownName + ".";
    if (!ownName.empty() && entry.size() == ownPrefix.size() + TemporarySuffix &&
        entry.compare(0, ownPrefix.size(), ownPrefix) == 0) {
        // The older form carries no process id; its random suffix mixes letter cases and digits, which a
        // word such as "backup" does not.
        int upper = 0, lower = 0, digit = 0;
        for (size_t i = suffixAt; i < entry.size(); ++i) {
            const char c = entry[i];
            upper |= c >= 'A' && c <= 'Z';
            lower |= c >= 'a' && c <= 'z';
            digit |= c >= '0' && c <= '9';
        }
        return upper + lower + digit >= 2 ? 0 : -1;
    }
    if (suffixAt < 1 || entry[suffixAt - 1] != '.')
        return -1;
    const size_t pidEnd = suffixAt - 1;
    size_t pidAt = pidEnd;
    while (pidAt > 0 && entry[pidAt - 1] >= '0' && entry[pidAt - 1] <= '9')
        --pidAt;
    // Some name before the process id, and at most the digits a process id has.
    if (pidAt == pidEnd || pidEnd - pidAt > 9 || pidAt < 3 || entry[pidAt - 1] != '.' || entry[pidAt] == '0')
        return -1;
    long pid = 0;
    for (size_t i = pidAt; i < pidEnd; ++i)
        pid = pid * 10 + (entry[i] - '0');
    return pid;
}

// Whether the process that wrote a temporary last at the given time is gone: no process has its id, or
// the one that has it started later (the id was given again). A minute allows for the coarse start time
// and for a file system whose clock differs from ours.
bool WriterGone(long pid, time_t lastWritten) {
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        return true;
    const time_t started = ProcessStartTime(std::to_string(pid));
    return started > 0 && started > lastWritten + 60;
}

// The longest name the folder's file system takes.
size_t NameMax(const std::string &folder) {
    const long n = pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return n > 0 ? static_cast<size_t>(n) : 255;
}

// ".<name>.<process id>.XXXXXX": the name is shortened, at a character boundary, so that the whole stays
// within the folder's name limit.
std::string TemporaryNameFor(const std::string &name, size_t nameMax) {
    std::string tail(1, '.');
    tail += std::to_string(getpid());
    tail += '.';
    tail.append(TemporarySuffix, 'X');
    size_t keep = name.size();
    if (1 + keep + tail.size() > nameMax) {
        keep = nameMax > tail.size() + 2 ? nameMax - tail.size() - 1 : 1;
        // Not in the middle of a multi-byte character.
        while (keep > 1 && keep < name.size() && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
            --keep;
    }
    std::string result(1, '.');
    result.append(name, 0, keep);
    result += tail;
    return result;
}

// Whether the user may replace an existing file: a file without any write permission stays as it is, as
// it would for a direct write (even for root).
bool MayWrite(const std::string &path, const struct stat &st) {
    return (st.st_mode & 0222) != 0 && faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

// Gives a replacement the target's owner and group where the system lets us (a user may give a file only
// a group of their own); otherwise it belongs to this user, as any file the user makes. False then.
bool KeepOwner(int fd, const struct stat &target) {
    return fchown(fd, target.st_uid, target.st_gid) == 0 ||
           fchown(fd, static_cast<uid_t>(-1), target.st_gid) == 0;
}

} // namespace

bool FinalTarget(const std::string &path, std::string &target) {
    target = path;
    // As many links as the system itself follows.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true;
        std::vector<char> buf(std::max<size_t>(static_cast<size_t>(std::max<off_t>(st.st_size, 0)), 4096) +
                              2);
        const ssize_t n = readlink(target.c_str(), buf.data(), buf.size());
        if (n <= 0 || static_cast<size_t>(n) >= buf.size())
            return true;
        const std::string next(buf.data(), static_cast<size_t>(n));
        target = next.front() == '/' ? next : JoinPath(FolderOf(target), next);
    }
    errno = ELOOP;
    return false;
}

int RemoveStaleTemporaries(const std::string &path) {
    const std::string folder = FolderOf(path);
    const std::string ownName = FileName(path);
    DIR *d = opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return 0;
    const time_t started = ProcessStartTime("self");
    int removed = 0;
    while (dirent *e = readdir(d)) {
        const std::string name = e->d_name;
        const long writer = TemporaryWriter(name, ownName);
        if (writer < 0)
            continue;
        const std::string full = JoinPath(folder, name);
        struct stat st;
        if (lstat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid())
            continue;
        const bool stale =
            writer > 0 ? WriterGone(writer, st.st_mtime) : started > 0 && st.st_mtime < started;
        if (stale && unlink(full.c_str()) == 0)
            ++removed;
    }
    closedir(d);
    return removed;
}

TSafeFileWriter::~TSafeFileWriter() {
    Abort();
}

bool TSafeFileWriter::Fail(int error) {
    return Fail(std::strerror(error));
}

bool TSafeFileWriter::Fail(const char *text) {
    LastError = text;
    Good = false;
    return false;
}

bool TSafeFileWriter::Open(const std::string &path) {
    Abort();
    LastError.clear();
    // A link stays a link: its target gets the new contents.
    if (!FinalTarget(path, Target))
        return Fail(ELOOP);
    const std::string folder = FolderOf(Target), name = FileName(Target);
    if (name.empty())
        return Fail(EISDIR);
    const size_t nameMax = NameMax(folder);
    if (name.size() > nameMax)
        return Fail(ENAMETOOLONG);
    struct stat st;
    const bool exists = stat(Target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        return Fail(EISDIR);
    // A FIFO or device would be replaced by a plain file, or a write to it would never end.
    if (exists && !S_ISREG(st.st_mode))
        return Fail("Not a regular file");
    if (exists && !MayWrite(Target, st))
        return Fail(EACCES);
    // Temporaries that killed writers left in this folder would pile up with every kill.
    RemoveStaleTemporaries(Target);
    // The process id in the name tells a later run whether its writer still runs.
    std::string tmpl = JoinPath(folder, TemporaryNameFor(name, nameMax));
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back(0);
    Fd = mkstemp(buf.data());
    if (Fd < 0)
        return Fail(errno);
    Temp = buf.data();
    Good = true;
    // Keep the target's owner and permissions, or give those a newly created file would get.
    mode_t mask = umask(0);
    umask(mask);
    if (exists)
        KeepOwner(Fd, st);
    fchmod(Fd, exists ? (st.st_mode & 07777) : (0666 & ~mask));
    return Good;
}

bool TSafeFileWriter::Write(const void *data, size_t size) {
    const char *p = static_cast<const char *>(data);
    while (Good && size > 0) {
        ssize_t n = ::write(Fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            Fail(n < 0 ? errno : EIO);
            break;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return Good;
}

bool TSafeFileWriter::Commit() {
    if (Fd < 0)
        return false;
    bool ok = Good;
    if (ok && fsync(Fd) != 0)
        ok = Fail(errno);
    if (close(Fd) != 0 && ok)
        ok = Fail(errno);
    Fd = -1;
    // The target may have become read-only while it was written.
    struct stat st;
    if (ok && stat(Target.c_str(), &st) == 0 && !MayWrite(Target, st))
        ok = Fail(EACCES);
    if (ok && rename(Temp.c_str(), Target.c_str()) != 0)
        ok = Fail(errno);
    if (!ok)
        unlink(Temp.c_str());
    Temp.clear();
    Good = false;
    return ok;
}

void TSafeFileWriter::Abort() {
    if (Fd >= 0) {
        close(Fd);
        Fd = -1;
    }
    if (!Temp.empty()) {
        unlink(Temp.c_str());
        Temp.clear();
    }
    Good = false;
}

bool WriteFileAtomically(const std::string &path, const std::string &contents) {
    TSafeFileWriter w;
    return w.Open(path) && w.Write(contents) && w.Commit();
}

int OpenRegularFile(const std::string &path) {
    // A look before opening: opening a device may itself do something.
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return -1;
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : ENXIO;
        return -1;
    }
    // Without waiting, should the name have become a FIFO since the look.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return -1;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = ENXIO;
        return -1;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

TReadResult ReadFileUpTo(const std::string &path, std::string &contents, uint64_t limit) {
    contents.clear();
    const int fd = OpenRegularFile(path);
    if (fd < 0)
        return TReadResult::CannotOpen;
    struct stat st;
    if (fstat(fd, &st) == 0 && static_cast<uint64_t>(st.st_size) > limit) {
        close(fd);
        return TReadResult::TooLarge;
    }
    // A file that grows while it is read is held to the limit all the same.
    TReadResult result = TReadResult::Ok;
    char buf[65536];
    for (;;) {
        const uint64_t room = limit - std::min<uint64_t>(limit, contents.size()) + 1;
        ssize_t n = read(fd, buf, static_cast<size_t>(std::min<uint64_t>(sizeof buf, room)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            result = TReadResult::ReadFailed;
        if (n <= 0)
            break;
        contents.append(buf, static_cast<size_t>(n));
        if (contents.size() > limit) {
            contents.clear();
            result = TReadResult::TooLarge;
            break;
        }
    }
    close(fd);
    return result;
}

bool ReadWholeFile(const std::string &path, std::string &contents) {
    return ReadFileUpTo(path, contents, std::numeric_limits<uint64_t>::max() - 1) == TReadResult::Ok;
}

} // namespace platform

} // namespace scope
