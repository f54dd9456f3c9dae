// Crash-safe whole-file writes: temporary file, flush to disk, rename over; flock for exclusive holders.
#include "config/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kc::config {
namespace {

std::mutex g_hookMutex;
std::function<bool(std::string_view)> g_faultHook;
std::atomic<unsigned> g_tempCounter{0};

bool FaultAt(std::string_view stage)
{
    std::function<bool(std::string_view)> hook;
    {
        std::lock_guard lock(g_hookMutex);
        hook = g_faultHook;
    }
    return hook && hook(stage);
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Makes the rename itself durable; a failure here is not reported because the new content is already in place.
void SyncFolder(const std::filesystem::path& folder)
{
    const int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

// True when fd is still the file that path names (a writer may have renamed a new file over it).
bool SameFile(int fd, const std::filesystem::path& path)
{
    struct stat byFd { };
    struct stat byName { };
    return ::fstat(fd, &byFd) == 0 && ::stat(path.c_str(), &byName) == 0 && byFd.st_dev == byName.st_dev
        && byFd.st_ino == byName.st_ino;
}

std::string TempPrefix(const std::filesystem::path& path)
{
    return "." + path.filename().string() + ".tmp.";
}

// The writer's process id from a temporary name "." + file name + ".tmp." + pid + "." + counter; 0 if the name
// is not one.
pid_t TempOwner(const std::string& name)
{
    if (name.size() < 2 || name.front() != '.')
        return 0;
    const size_t tmp = name.rfind(".tmp.");
    if (tmp == std::string::npos)
        return 0;
    const size_t dot = name.find('.', tmp + 5);
    if (dot == std::string::npos || dot == tmp + 5 || dot + 1 >= name.size())
        return 0;
    pid_t pid = 0;
    for (size_t i = tmp + 5; i < dot; ++i) {
        if (name[i] < '0' || name[i] > '9' || pid > 10000000)
            return 0;
        pid = pid * 10 + (name[i] - '0');
    }
    for (size_t i = dot + 1; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9')
            return 0;
    return pid;
}

bool ProcessAlive(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

void RemoveStaleIn(const std::filesystem::path& folder, const std::string& prefix)
{
    std::error_code error;
    std::filesystem::directory_iterator it(folder.empty() ? "." : folder, error);
    if (error)
        return;
    const auto now = std::filesystem::file_time_type::clock::now();
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (error)
            return;
        const std::string name = it->path().filename().string();
        if (!prefix.empty() && name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const pid_t owner = TempOwner(name);
        if (owner <= 0 || owner == ::getpid() || ProcessAlive(owner))
            continue;
        // A process on another machine sharing the folder may own it; such a write takes well under a minute.
        const auto written = std::filesystem::last_write_time(it->path(), error);
        if (error || now - written < std::chrono::minutes(1))
            continue;
        std::filesystem::remove(it->path(), error);
    }
}

} // namespace

void RemoveStaleTemporaries(const std::filesystem::path& path)
{
    if (path.empty() || !path.has_filename())
        return;
    RemoveStaleIn(path.parent_path(), TempPrefix(path));
    // Byte files have names of their own; every temporary of the inibin folder is one of theirs.
    RemoveStaleIn(path.parent_path() / "inibin", {});
}

void SetWriteFaultHook(std::function<bool(std::string_view stage)> hook)
{
    std::lock_guard lock(g_hookMutex);
    g_faultHook = std::move(hook);
}

int OpenAndLock(const std::filesystem::path& path)
{
    // A writer that renames a new file over path between our open and our lock leaves us holding the old,
    // nameless file; try again on the new one.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return -1;
        }
        if (SameFile(fd, path))
            return fd;
        ::close(fd);
    }
    return -1;
}

void Unlock(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes)
{
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            bytes.clear();
            return false;
        }
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    return true;
}

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes, int* heldFd, bool flush)
{
    if (target.empty() || !target.has_filename())
        return false;
    // A settings file that is a link to a file elsewhere stays a link: the file it names is the one replaced.
    std::filesystem::path path = target;
    std::error_code linkError;
    if (std::filesystem::is_symlink(target, linkError)) {
        const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, linkError);
        if (!linkError && resolved.has_filename())
            path = resolved;
    }
    const std::filesystem::path folder = path.parent_path();

    // Another holder of the lock denies us the write, as an exclusive open would.
    int probeFd = -1;
    if (!heldFd) {
        probeFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (probeFd >= 0 && ::flock(probeFd, LOCK_EX | LOCK_NB) != 0) {
            ::close(probeFd);
            return false;
        }
    }
    auto releaseProbe = [&probeFd] {
        if (probeFd >= 0)
            ::close(probeFd);
        probeFd = -1;
    };

    std::filesystem::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder / (TempPrefix(path) + std::to_string(::getpid()) + "." + std::to_string(g_tempCounter++));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        releaseProbe();
        return false;
    }
    auto fail = [&] {
        ::close(fd);
        ::unlink(temp.c_str());
        releaseProbe();
        return false;
    };

    // Keep the permissions of the file being replaced.
    struct stat old { };
    if (::stat(path.c_str(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);
    if (heldFd && ::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail();

    const size_t half = bytes.size() / 2;
    if (!WriteAll(fd, bytes.data(), half) || FaultAt("write")
        || !WriteAll(fd, bytes.data() + half, bytes.size() - half))
        return fail();
    if (FaultAt("sync") || (flush && ::fsync(fd) != 0))
        return fail();
    if (FaultAt("rename") || ::rename(temp.c_str(), path.c_str()) != 0)
        return fail();
    if (flush)
        SyncFolder(folder);
    releaseProbe();

    if (heldFd) {
        Unlock(*heldFd);
        *heldFd = fd;
    } else {
        ::close(fd);
    }
    return true;
}

} // namespace kc::config
