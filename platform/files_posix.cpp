// Files by name through the POSIX calls: Linux and the other POSIX systems, and the file system
// of the web build (in memory in a page, the real folders under node).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "platform/platform.hpp"

namespace kavron::platform {

namespace {

class PosixFile : public RawFile {
public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    bool write(std::string_view bytes, std::size_t& done, int& error) override {
        done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                error = n < 0 ? errno : EIO;
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    bool truncate(std::uint64_t size) override {
        return ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
    }
    bool close(int& error) override {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0 && errno != EINTR) {
            error = errno;
            return false;
        }
        return true;
    }

private:
    int fd_;
};

}  // namespace

std::unique_ptr<RawFile> create_file(const std::string& name, Create how, int* error) {
    // O_EXCL: the create fails when the name exists, whoever made it.
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (how == Create::New ? O_EXCL : O_TRUNC);
    const int fd = ::open(name.c_str(), flags, 0666);
    if (fd < 0) {
        if (error != nullptr) {
            *error = errno;
        }
        return nullptr;
    }
    return std::make_unique<PosixFile>(fd);
}

bool read_file(const std::string& name, std::string& bytes) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bytes.clear();
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0) {
            break;
        }
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

bool remove_file(const std::string& name) {
    return std::remove(name.c_str()) == 0;
}

Found look_at(const std::string& name, std::string& head, std::size_t n) {
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) {
        return errno == ENOENT ? Found::Nothing : Found::Other;
    }
    if (!S_ISREG(st.st_mode)) {
        return Found::Other;
    }
    head.clear();
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return Found::Other;
    }
    head.resize(n);
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, head.data() + got, n - got);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r <= 0) {
            break;
        }
        got += static_cast<std::size_t>(r);
    }
    ::close(fd);
    head.resize(got);
    return Found::Regular;
}

bool same_file(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace kavron::platform
