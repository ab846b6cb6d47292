#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

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

}  // namespace

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

    const std::string dir = directoryOf(target);
    std::string temp = dir + "/." + baseNameOf(target) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return failWith(reason, errno);

    auto abandon = [&](int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        return failWith(reason, err);
    };
    if (::fchmod(fd, exists ? (st.st_mode & 07777) : modeForNewFile()) != 0) return abandon(errno);
    bool written;
    try {
        written = produceInto(fd);
    } catch (...) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw;
    }
    if (!written) return abandon(writeError);
    if (::fsync(fd) != 0) return abandon(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return failWith(reason, err);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return failWith(reason, err);
    }
    // Make the rename itself durable; a failure here no longer endangers either version.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

}  // namespace dmm
