#include "platform/Platform.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
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

// Wall-clock start of this process in seconds since the epoch; 0 when /proc does not tell.
time_t ProcessStartTime() {
    std::string stat, all;
    if (!ReadWholeFile("/proc/self/stat", stat) || !ReadWholeFile("/proc/stat", all))
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
    if (b == std::string::npos || std::sscanf(all.c_str() + b + 7, "%lld", &boot) != 1)
        return 0;
    const long hz = sysconf(_SC_CLK_TCK);
    return static_cast<time_t>(
        boot + static_cast<long long>(ticks / static_cast<unsigned long long>(hz > 0 ? hz : 100)));
}

// The writer's process id of a temporary name's rest after ".<name>.": 0 for the older form without
// one, -1 when the rest is not a temporary's.
long TemporaryWriter(const std::string &rest) {
    const size_t suffix = 6;
    if (rest.size() < suffix)
        return -1;
    for (size_t i = rest.size() - suffix; i < rest.size(); ++i)
        if (!TemporarySuffixChar(rest[i]))
            return -1;
    if (rest.size() == suffix) {
        // The older form carries no process id; its random suffix mixes letter cases and digits, which a
        // word such as "backup" does not.
        int upper = 0, lower = 0, digit = 0;
        for (char c : rest) {
            upper |= c >= 'A' && c <= 'Z';
            lower |= c >= 'a' && c <= 'z';
            digit |= c >= '0' && c <= '9';
        }
        return upper + lower + digit >= 2 ? 0 : -1;
    }
    if (rest.size() < suffix + 2 || rest[rest.size() - suffix - 1] != '.')
        return -1;
    long pid = 0;
    for (size_t i = 0; i + suffix + 1 < rest.size(); ++i) {
        if (rest[i] < '0' || rest[i] > '9' || pid > 99999999)
            return -1;
        pid = pid * 10 + (rest[i] - '0');
    }
    return pid > 0 ? pid : -1;
}

bool ProcessRunning(long pid) {
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

} // namespace

int RemoveStaleTemporaries(const std::string &path) {
    const std::string folder = FolderOf(path);
    const std::string prefix = "." + FileName(path) + ".";
    DIR *d = opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return 0;
    const time_t started = ProcessStartTime();
    int removed = 0;
    while (dirent *e = readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const long writer = TemporaryWriter(name.substr(prefix.size()));
        if (writer < 0)
            continue;
        const std::string full = JoinPath(folder, name);
        struct stat st;
        if (lstat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const bool older = started > 0 && st.st_mtime < started;
        const bool orphan = writer > 0 && !ProcessRunning(writer);
        if ((older || orphan) && unlink(full.c_str()) == 0)
            ++removed;
    }
    closedir(d);
    return removed;
}

TSafeFileWriter::~TSafeFileWriter() {
    Abort();
}

bool TSafeFileWriter::Open(const std::string &path) {
    Abort();
    Target = path;
    // Temporaries that a killed writer left would pile up with every kill.
    RemoveStaleTemporaries(path);
    // The process id in the name tells a later run whether its writer still runs.
    std::string tmpl =
        JoinPath(FolderOf(path), "." + FileName(path) + "." + std::to_string(getpid()) + ".XXXXXX");
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back(0);
    Fd = mkstemp(name.data());
    Good = Fd >= 0;
    if (Good) {
        Temp = name.data();
        // Keep the permissions a newly created file would get.
        mode_t mask = umask(0);
        umask(mask);
        struct stat st;
        fchmod(Fd, stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~mask));
    }
    return Good;
}

bool TSafeFileWriter::Write(const void *data, size_t size) {
    const char *p = static_cast<const char *>(data);
    while (Good && size > 0) {
        ssize_t n = ::write(Fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            Good = false;
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
    bool ok = Good && fsync(Fd) == 0;
    ok = close(Fd) == 0 && ok;
    Fd = -1;
    // A read-only target stays as it is, as it would for a direct write (even for root).
    struct stat st;
    if (ok && stat(Target.c_str(), &st) == 0 && (st.st_mode & 0222) == 0)
        ok = false;
    ok = ok && rename(Temp.c_str(), Target.c_str()) == 0;
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

bool ReadWholeFile(const std::string &path, std::string &contents) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    contents.clear();
    char buf[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0)
            break;
        contents.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return ok;
}

} // namespace platform

} // namespace scope
