#include "platform/Platform.h"

#include <atomic>
#include <cerrno>
#include <chrono>
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

TSafeFileWriter::~TSafeFileWriter() {
    Abort();
}

bool TSafeFileWriter::Open(const std::string &path) {
    Abort();
    Target = path;
    std::string tmpl = JoinPath(FolderOf(path), "." + FileName(path) + ".XXXXXX");
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
