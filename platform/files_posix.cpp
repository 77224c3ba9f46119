// Files by name through the POSIX calls: Linux and the other POSIX systems, and the file system
// of the web build (in memory in a page, the real folders under node).
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "platform/interruption.hpp"
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
        return ::ftruncate(fd_, static_cast<off_t>(size)) == 0 &&
               ::lseek(fd_, static_cast<off_t>(size), SEEK_SET) >= 0;
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

// A name that holds a NUL byte would be cut there by the system: it names no file.
bool usable(const std::string& name, int* error) {
    if (name.find('\0') == std::string::npos) {
        return true;
    }
    if (error != nullptr) {
        *error = EINVAL;
    }
    return false;
}

// A descriptor closed when the reading function leaves, also by an exception.
struct Closing {
    int fd;
    explicit Closing(int f) : fd(f) {}
    Closing(const Closing&) = delete;
    Closing& operator=(const Closing&) = delete;
    ~Closing() { ::close(fd); }
};

// Waits until the descriptor has bytes (or its end) to read; an interruption throws.
void wait_readable(int fd) {
    const int wake = detail::interruption_descriptor();
    for (;;) {
        pollfd p[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
        const int r = ::poll(p, wake >= 0 ? 2 : 1, -1);
        detail::check_interruption();
        if (r > 0 || (r < 0 && errno != EINTR)) {
            return;  // the read tells what there is, or its error
        }
    }
}

}  // namespace

void check_interrupted() {
    detail::check_interruption();
}

std::unique_ptr<RawFile> create_file(const std::string& name, Create how, int* error) {
    if (!usable(name, error)) {
        return nullptr;
    }
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

ReadResult read_file(const std::string& name, std::string& bytes, int* error) {
    int unused = 0;
    int& e = error != nullptr ? *error : unused;
    if (!usable(name, &e)) {
        return ReadResult::Cannot;
    }
    int fd = -1;
    // Opening a pipe waits for its writer; an interruption ends the wait.
    while ((fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY)) < 0 && errno == EINTR) {
        detail::check_interruption();
    }
    if (fd < 0) {
        e = errno;
        return ReadResult::Cannot;
    }
    const Closing closing{fd};
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (regular && static_cast<std::uint64_t>(st.st_size) > kInputLimit) {
        return ReadResult::TooLarge;
    }
    bytes.clear();
    char buf[8192];
    for (;;) {
        detail::check_interruption();
        if (!regular) {
            wait_readable(fd);
        }
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n < 0) {
            e = errno;
            return ReadResult::Cannot;
        }
        if (n == 0) {
            return ReadResult::Ok;
        }
        if (bytes.size() + static_cast<std::size_t>(n) > kInputLimit) {
            bytes.clear();
            return ReadResult::TooLarge;
        }
        bytes.append(buf, static_cast<std::size_t>(n));
    }
}

bool remove_file(const std::string& name) {
    return usable(name, nullptr) && std::remove(name.c_str()) == 0;
}

Found look_at(const std::string& name, std::string& head, std::size_t n) {
    if (!usable(name, nullptr)) {
        return Found::Other;
    }
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) {
        return errno == ENOENT ? Found::Nothing : Found::Other;
    }
    if (!S_ISREG(st.st_mode)) {
        return Found::Other;
    }
    head.clear();
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return Found::Unreadable;
    }
    head.resize(n);
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, head.data() + got, n - got);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0) {
            ::close(fd);
            return Found::Unreadable;
        }
        if (r == 0) {
            break;
        }
        got += static_cast<std::size_t>(r);
    }
    ::close(fd);
    head.resize(got);
    return Found::Regular;
}

bool same_file(const std::string& a, const std::string& b) {
    if (!usable(a, nullptr) || !usable(b, nullptr)) {
        return false;
    }
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::optional<std::vector<std::string>> files_in(const std::string& folder) {
    if (!usable(folder, nullptr)) {
        return std::nullopt;
    }
    DIR* d = ::opendir(folder.c_str());
    if (d == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        std::string path = folder;
        path += '/';
        path += name;
        struct stat st {};
        if (!name.empty() && name[0] != '.' && ::stat(path.c_str(), &st) == 0 &&
            S_ISREG(st.st_mode)) {
            names.push_back(name);
        }
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace kavron::platform
