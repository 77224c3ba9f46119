// The POSIX side of the platform: Linux and the other POSIX systems.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <new>

#include "format/codepage.hpp"
#include "platform/interruption.hpp"
#include "platform/platform.hpp"

namespace kavron::platform {

namespace detail {

namespace {
// The interruption caught: its signal, 0 while there is none. The handler also writes a byte into
// a pipe that the console's reader waits on beside standard input.
volatile std::sig_atomic_t caught = 0;
int wake_read = -1, wake_write = -1;
}  // namespace

void check_interruption() {
    const int sig = caught;
    if (sig != 0) {
        throw Interrupted{sig == SIGINT    ? "SIGINT"
                          : sig == SIGTERM ? "SIGTERM"
                                           : "SIGHUP",
                          128 + sig};
    }
}

int interruption_descriptor() {
    return wake_read;
}

}  // namespace detail

namespace {

// The console of a terminal that speaks UTF-8: shown in UTF-8 (standard output), typed in UTF-8
// (standard input, and then the names typed are UTF-8 names).
bool utf8_output = false;
bool utf8_input = false;

// Whether the locale's character set is UTF-8: the first of LC_ALL, LC_CTYPE and LANG that is
// set names it.
bool utf8_locale() {
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* v = std::getenv(var);
        if (v != nullptr && *v != '\0') {
            std::string s(v);
            for (char& c : s) {
                c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            }
            return s.find("utf-8") != std::string::npos || s.find("utf8") != std::string::npos;
        }
    }
    return false;
}

}  // namespace

std::string typed_name(const std::string& console_bytes) {
    return utf8_input ? decode(console_bytes, CodePage::Cp852) : console_bytes;
}

std::string shown_name(const std::string& name, bool typed) {
    return typed && utf8_input ? decode(name, CodePage::Cp852) : name;
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

using detail::caught;
using detail::wake_read;
using detail::wake_write;

extern "C" void on_signal(int sig) {
    if (caught == 0) {
        caught = sig;
    }
    const int saved = errno;
    if (wake_write >= 0) {
        (void)!::write(wake_write, "!", 1);
    }
    errno = saved;
}

void catch_interruptions() {
    int fds[2];
    if (::pipe(fds) == 0) {
        for (const int fd : fds) {
            (void)::fcntl(fd, F_SETFD, FD_CLOEXEC);
            (void)::fcntl(fd, F_SETFL, O_NONBLOCK);
        }
        wake_read = fds[0];
        wake_write = fds[1];
    }
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no restart: a blocking read or write returns, and sees the signal
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        (void)::sigaction(sig, &sa, nullptr);
    }
    // A closed standard output and a file-size limit show as errors of the write.
    (void)std::signal(SIGPIPE, SIG_IGN);
    (void)std::signal(SIGXFSZ, SIG_IGN);
}

using detail::check_interruption;

// Standard input, output or error closed when the program starts: the null device takes the
// descriptor, so that nothing the program opens later (the interruption pipe, a file) is
// mistaken for it. A closed standard input is then an ended console; a closed standard output
// is remembered, and its first write fails as a write to a closed output does.
bool stdout_closed = false;

void fill_closed_descriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
            if (null >= 0 && null != fd) {  // the lowest free descriptor: fd itself
                (void)::dup2(null, fd);
                ::close(null);
            }
            stdout_closed = stdout_closed || fd == STDOUT_FILENO;
        }
    }
}

// Standard error, for texts.
class ErrorWriter : public ByteWriter {
public:
    void write(std::string_view bytes) override {
        std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    }
};

// Writes the bytes to standard output whole: a write that an interruption cuts short is taken up
// again (after the check of the interruption), a full non-blocking pipe waited for; a closed,
// full or broken output is a write error.
void write_stdout(std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            check_interruption();
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{STDOUT_FILENO, POLLOUT, 0};
            (void)::poll(&p, 1, -1);
            continue;
        }
        if (n <= 0) {
            throw WriteFailed{n < 0 ? errno : EIO};
        }
        done += static_cast<std::size_t>(n);
    }
}

// Standard output: bytes gathered and written at each flush (before every console read) and
// when many are waiting.
class StdoutWriter : public ByteWriter {
public:
    void write(std::string_view bytes) override {
        check_interruption();
        if (utf8_output) {
            pending_.append(decode(bytes, CodePage::Cp852));
        } else {
            pending_.append(bytes);
        }
        if (pending_.size() >= 8192) {
            flush();
        }
    }
    void flush() override {
        check_interruption();
        if (stdout_closed && !pending_.empty()) {
            pending_.clear();
            throw WriteFailed{EBADF};
        }
        try {
            write_stdout(pending_);
        } catch (const WriteFailed&) {
            pending_.clear();
            throw;
        }
        pending_.clear();
    }

private:
    std::string pending_;
};

// Standard input, line by line; waits for a line and for an interruption at once. The end of the
// input is final, as for a C stream.
class StdinReader : public LineReader {
public:
    std::optional<std::string> read_line() override {
        check_interruption();
        for (;;) {
            const std::size_t nl = buf_.find('\n', start_);
            if (nl != std::string::npos) {
                std::string line = buf_.substr(start_, nl - start_);
                start_ = nl + 1;
                return typed(line);
            }
            if (ended_) {
                if (start_ < buf_.size()) {
                    std::string line = buf_.substr(start_);
                    start_ = buf_.size();
                    return typed(line);
                }
                return std::nullopt;
            }
            fill();
        }
    }

private:
    // A line typed on a UTF-8 terminal, in the console's code page.
    static std::string typed(const std::string& line) {
        return utf8_input ? encode(line, CodePage::Cp852) : line;
    }

    void fill() {
        buf_.erase(0, start_);
        start_ = 0;
        pollfd p[2] = {{STDIN_FILENO, POLLIN, 0}, {wake_read, POLLIN, 0}};
        const int r = ::poll(p, wake_read >= 0 ? 2 : 1, -1);
        check_interruption();
        if (r < 0) {
            if (errno != EINTR) {
                ended_ = true;
            }
            return;
        }
        char chunk[4096];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            return;
        }
        if (n <= 0) {
            ended_ = true;
            return;
        }
        buf_.append(chunk, static_cast<std::size_t>(n));
    }

    std::string buf_;
    std::size_t start_ = 0;
    bool ended_ = false;
};

// The storage of a run's stages takes about 300 KB. Cleared page by page they cost one page fault
// per 4 KB, and on a virtual machine those faults cost more than the whole adjustment; in a
// transparent huge page they take one. Where that cannot be had, the memory comes from the heap as
// usual.
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
            throw std::bad_alloc();
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

// Standard output for texts (help, version, a tool's report), UTF-8: written at once, in the
// console's encoding (code page 852 unless the console is shown in UTF-8). A closed, full or
// broken output is a write error, as for the console.
class TextWriter : public ByteWriter {
public:
    void write(std::string_view utf8) override {
        check_interruption();
        const std::string bytes = utf8_output ? std::string(utf8) : encode(utf8, CodePage::Cp852);
        if (stdout_closed && !bytes.empty()) {
            throw WriteFailed{EBADF};
        }
        write_stdout(bytes);
    }
};

struct Session::Impl {
    StdinReader in;
    StdoutWriter out;
    TextWriter text;
    ErrorWriter err;
    Memory memory;
};

Session::Session()
    : impl_(new Impl),
      in_(&impl_->in),
      out_(&impl_->out),
      text_out_(&impl_->text),
      text_err_(&impl_->err) {
    fill_closed_descriptors();
    catch_interruptions();
    const bool utf8 = utf8_locale();
    utf8_output = utf8 && ::isatty(STDOUT_FILENO) == 1;
    utf8_input = utf8 && ::isatty(STDIN_FILENO) == 1;
}

Session::~Session() {
    delete impl_;
}

void* Session::memory(std::size_t bytes) {
    return impl_->memory.get(bytes);
}

}  // namespace kavron::platform
