// The POSIX side of the platform: Linux and the other POSIX systems.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
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

LocalTime local_now() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void tell_user(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fputc('\n', stderr);
}

std::vector<std::string> arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

namespace {

class FileWriter : public ByteWriter {
public:
    explicit FileWriter(std::FILE* f) : f_(f) {}
    void write(std::string_view bytes) override { std::fwrite(bytes.data(), 1, bytes.size(), f_); }

private:
    std::FILE* f_;
};

class StdinReader : public LineReader {
public:
    ~StdinReader() override { std::free(buf_); }
    StdinReader() = default;
    StdinReader(const StdinReader&) = delete;
    StdinReader& operator=(const StdinReader&) = delete;
    std::optional<std::string> read_line() override {
        std::fflush(stdout);
        const ssize_t n = getline(&buf_, &cap_, stdin);
        if (n < 0) {
            return std::nullopt;
        }
        std::string line(buf_, static_cast<std::size_t>(n));
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        return line;
    }

private:
    char* buf_ = nullptr;
    std::size_t cap_ = 0;
};

// The task's arrays take about 630 KB. Cleared page by page they cost one page fault per 4 KB,
// and on a virtual machine those faults cost more than the whole adjustment; in a transparent
// huge page they take one. Where that cannot be had, the memory comes from the heap as usual.
struct Memory {
    static constexpr std::size_t kHuge = std::size_t{2} << 20;
    void* region = MAP_FAILED;
    void* fallback = nullptr;

    void* get(std::size_t bytes) {
        if (bytes <= kHuge && region == MAP_FAILED) {
            region = mmap(nullptr, 2 * kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                          -1, 0);
            if (region != MAP_FAILED) {
                void* aligned = region;
                std::size_t space = 2 * kHuge;
                std::align(kHuge, kHuge, aligned, space);      // the region holds an aligned 2 MB
                (void)madvise(aligned, kHuge, MADV_HUGEPAGE);  // only a hint
                return aligned;
            }
        }
        fallback = std::calloc(1, bytes);
        if (fallback == nullptr) {
            std::abort();
        }
        return fallback;
    }
    Memory() = default;
    Memory(const Memory&) = delete;
    Memory& operator=(const Memory&) = delete;
    ~Memory() {
        if (region != MAP_FAILED) {
            munmap(region, 2 * kHuge);
        }
        std::free(fallback);
    }
};

}  // namespace

struct Session::Impl {
    StdinReader in;
    FileWriter out{stdout};
    FileWriter err{stderr};
    Memory memory;
};

Session::Session()
    : impl_(new Impl),
      in_(&impl_->in),
      out_(&impl_->out),
      text_out_(&impl_->out),
      text_err_(&impl_->err) {}

Session::~Session() {
    std::fflush(stdout);
    delete impl_;
}

void* Session::memory(std::size_t bytes) {
    return impl_->memory.get(bytes);
}

}  // namespace kavron::platform
