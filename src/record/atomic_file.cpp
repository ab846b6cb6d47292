#include "atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>

namespace dmm {

namespace {

bool failWith(std::string* reason, int err) {
    if (reason) *reason = std::strerror(err);
    return false;
}

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t modeForNewFile() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A temporary file that has a name: ".NAME.dmmtmp.XXXXXX" beside the target (NAME cut so that
// the whole stays within a file name's 255 bytes). While it has that name it is locked
// (flock), by the process writing it; a file of the pattern that nobody locks was left by a
// process that ended half-way, and the next save into the folder removes it.
constexpr std::string_view kTemporaryMark = ".dmmtmp.";
constexpr std::size_t kRandomLength = 6;
constexpr std::size_t kBaseRoom = 255 - 1 - kTemporaryMark.size() - kRandomLength;

bool isTemporaryName(std::string_view name) {
    constexpr std::size_t kTail = kTemporaryMark.size() + kRandomLength;
    if (name.size() <= kTail + 1 || name.front() != '.') return false;
    if (name.substr(name.size() - kTail, kTemporaryMark.size()) != kTemporaryMark) return false;
    for (const char c : name.substr(name.size() - kRandomLength)) {
        const bool alnum =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!alnum) return false;
    }
    return true;
}

std::string temporaryName(const std::string& dir, const std::string& base) {
    static std::mt19937 random{std::random_device{}()};
    static constexpr char kChars[] =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string name = dir + "/." + base.substr(0, kBaseRoom) + std::string(kTemporaryMark);
    for (std::size_t i = 0; i < kRandomLength; ++i) name.push_back(kChars[random() % 62]);
    return name;
}

// Removes the temporary files of the pattern in `dir` that no process holds any more.
void removeStaleTemporaryFiles(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return;
    const int dirFd = ::dirfd(d);
    while (const dirent* e = ::readdir(d)) {
        if (!isTemporaryName(e->d_name)) continue;
        const int fd = ::openat(dirFd, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlinkat(dirFd, e->d_name, 0);
        }
        ::close(fd);
    }
    ::closedir(d);
}

// The temporary file that has a name now, for removeTemporaryFileBeingWritten(), which may run
// in a signal handler at any moment: the name is in place before `named` is set, and `named` is
// cleared before the name is given up. One save at a time is covered; the file of another
// one running at the same time is left for the next save to remove.
char namedPath[PATH_MAX];
std::atomic<bool> namedClaimed{false};
std::atomic<bool> named{false};

std::atomic<bool> unnamedFiles{true};

// The temporary file of one save: made without a name where the file system can (O_TMPFILE),
// so that whatever ends the process, even SIGKILL, nothing is left; given a name only for the
// rename over the target. Elsewhere it has a name from the start.
class TemporaryFile {
public:
    TemporaryFile(std::string dir, std::string base)
        : dir_(std::move(dir)), base_(std::move(base)) {}
    ~TemporaryFile() { abandon(); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates the file with `mode`; false with errno set when it cannot be made.
    bool create(mode_t mode) {
        removeStaleTemporaryFiles(dir_);
        if (unnamedFiles && ::access("/proc/self/fd", X_OK) == 0) {
            fd_ = ::open(dir_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
            if (fd_ >= 0) {
                ::flock(fd_, LOCK_EX);
                return true;
            }
        }
        return takeName([this, mode](const std::string& name) {
            fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (fd_ < 0) return false;
            ::flock(fd_, LOCK_EX);
            return true;
        });
    }
    int fd() const { return fd_; }

    // Flushes the file to the disk and puts it in the place of `target`; false with errno set
    // when that fails (the file is then removed).
    bool replace(const std::string& target) {
        if (::fsync(fd_) != 0) return fail(errno);
        if (name_.empty() && !giveName()) return fail(errno);
        if (::rename(name_.c_str(), target.c_str()) != 0) return fail(errno);
        releaseName();
        name_.clear();
        // Closed only now: the lock goes with the descriptor. What it held is on the disk
        // already (fsync), so closing cannot lose it.
        ::close(fd_);
        fd_ = -1;
        return true;
    }

    // Removes the file (closing it), if it is still there.
    void abandon() {
        if (!name_.empty()) {
            ::unlink(name_.c_str());
            releaseName();
            name_.clear();
        }
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    bool fail(int err) {
        abandon();
        errno = err;
        return false;
    }

    // Links the file made without a name under a name of the pattern (which cannot replace an
    // existing file; rename can).
    bool giveName() {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        return takeName([&self](const std::string& name) {
            return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
        });
    }

    // Gives the file a name of the pattern that is free: `take` makes the file under it (false
    // with errno set); a name taken already is tried again with another random part.
    template <typename Take>
    bool takeName(Take take) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = temporaryName(dir_, base_);
            holdName(name);
            if (take(name)) {
                name_ = std::move(name);
                return true;
            }
            const int err = errno;
            releaseName();
            if (err != EEXIST) {
                errno = err;
                return false;
            }
        }
        errno = EEXIST;
        return false;
    }

    // Makes `name` the one a signal handler removes, when no other save holds that place.
    void holdName(const std::string& name) {
        if (holding_ || name.size() >= sizeof namedPath || namedClaimed.exchange(true)) return;
        holding_ = true;
        std::memcpy(namedPath, name.c_str(), name.size() + 1);
        named = true;
    }
    void releaseName() {
        if (!holding_) return;
        named = false;
        holding_ = false;
        namedClaimed = false;
    }

    std::string dir_;
    std::string base_;
    std::string name_;  // empty while the file has no name
    int fd_ = -1;
    bool holding_ = false;
};

}  // namespace

void removeTemporaryFileBeingWritten() noexcept {
    if (named) ::unlink(namedPath);
}

void makeTemporaryFilesWithoutNames(bool on) { unnamedFiles = on; }

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* reason) {
    return writeFileAtomically(
        path, [bytes](const ByteSink& sink) { return sink(bytes); }, reason);
}

bool writeFileAtomically(const std::string& path,
                         const std::function<bool(const ByteSink&)>& produce,
                         std::string* reason) {
    if (path.empty()) return failWith(reason, ENOENT);
    int writeError = 0;
    // Writes everything `produce` makes to `fd`; the errno of a failed write is kept.
    auto produceInto = [&](int fd) {
        const ByteSink sink = [&](std::string_view piece) {
            if (writeAll(fd, piece)) return true;
            writeError = errno;
            return false;
        };
        const bool ok = produce(sink);
        if (!ok && writeError == 0) writeError = EIO;
        return ok;
    };
    std::string target = path;
    struct stat st{};
    bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) return failWith(reason, EISDIR);
        const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) return failWith(reason, errno);
        bool ok;
        try {
            ok = produceInto(fd);
        } catch (...) {
            ::close(fd);
            throw;
        }
        ::close(fd);
        return ok ? true : failWith(reason, writeError);
    }
    if (exists) {
        struct stat lst{};
        if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
            char resolved[PATH_MAX];
            if (::realpath(path.c_str(), resolved) == nullptr) return failWith(reason, errno);
            target = resolved;
        }
    }

    TemporaryFile temp(directoryOf(target), baseNameOf(target));
    if (!temp.create(exists ? (st.st_mode & 07777) : modeForNewFile()))
        return failWith(reason, errno);
    // The mode asked for at creation is cut by the umask: set it as it is meant.
    if (::fchmod(temp.fd(), exists ? (st.st_mode & 07777) : modeForNewFile()) != 0)
        return failWith(reason, errno);
    if (!produceInto(temp.fd())) return failWith(reason, writeError);
    if (!temp.replace(target)) return failWith(reason, errno);
    // Make the rename itself durable; a failure here no longer endangers either version.
    const int dirFd = ::open(directoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

}  // namespace dmm
