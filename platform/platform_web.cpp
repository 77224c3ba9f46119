// The web side of the platform: the program as WebAssembly, in a page or under node. The
// console, the clock and the texts for the user go through the JavaScript object `Module.kavron`
// (web/program.js gives node's: standard input and output, the local clock; the page gives its
// terminal and a clock fixed for the run). Files are those of the build's file system: in memory
// in a page, the real folders under node.
#include <emscripten.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "format/codepage.hpp"
#include "platform/interruption.hpp"
#include "platform/platform.hpp"

// The functions in JavaScript (their bodies are JavaScript, kept out of the C++ formatting).
// clang-format off

// Up to `cap` bytes of the console's input into buf: their count, 0 at the end of the input.
// The page may abandon the run here (it throws when the student has not typed the next line).
EM_JS(int, kavron_web_input, (char* buf, int cap), {
    var bytes = Module.kavron.input(cap);
    if (bytes === null || bytes.length === 0) {
        return 0;
    }
    HEAPU8.set(bytes.subarray(0, cap), buf);
    return Math.min(bytes.length, cap);
});

// Writes n bytes to the channel (1: the console, 2: texts for standard error, 3: texts for
// standard output): 0, or the number of the error that stopped the write.
EM_JS(int, kavron_web_output, (int channel, const char* p, int n), {
    return Module.kavron.output(channel, HEAPU8.slice(p, p + n));
});

// The local date and time: year, month, day, hour, minute, second.
EM_JS(void, kavron_web_now, (int* t), {
    var a = Module.kavron.now();
    for (var i = 0; i < 6; i++) {
        HEAP32[(t >> 2) + i] = a[i];
    }
});

// clang-format on

namespace kavron::platform {

// A page ends a run by abandoning it, and node's signals end the process: no interruption is
// caught here, and a file read never waits for one.
namespace detail {
void check_interruption() {}
int interruption_descriptor() {
    return -1;
}
}  // namespace detail

namespace {

constexpr int kConsole = 1, kError = 2, kText = 3;

void put(int channel, std::string_view bytes) {
    if (bytes.empty()) {
        return;
    }
    const int error = kavron_web_output(channel, bytes.data(), static_cast<int>(bytes.size()));
    if (error != 0 && channel != kError) {
        throw WriteFailed{error};
    }
}

// The console: gathered and handed over at each flush (before every console read).
class ConsoleWriter : public ByteWriter {
public:
    void write(std::string_view bytes) override {
        pending_.append(bytes);
        if (pending_.size() >= 8192) {
            flush();
        }
    }
    void flush() override {
        std::string bytes;
        bytes.swap(pending_);
        put(kConsole, bytes);
    }

private:
    std::string pending_;
};

class TextWriter : public ByteWriter {
public:
    explicit TextWriter(int channel) : channel_(channel) {}
    void write(std::string_view bytes) override { put(channel_, bytes); }

private:
    int channel_;
};

// The console's input, line by line; its end is final.
class ConsoleReader : public LineReader {
public:
    std::optional<std::string> read_line() override {
        for (;;) {
            const std::size_t nl = buf_.find('\n', start_);
            if (nl != std::string::npos) {
                std::string line = buf_.substr(start_, nl - start_);
                start_ = nl + 1;
                return line;
            }
            if (ended_) {
                if (start_ < buf_.size()) {
                    std::string line = buf_.substr(start_);
                    start_ = buf_.size();
                    return line;
                }
                return std::nullopt;
            }
            buf_.erase(0, start_);
            start_ = 0;
            char chunk[4096];
            const int n = kavron_web_input(chunk, static_cast<int>(sizeof chunk));
            if (n <= 0) {
                ended_ = true;
            } else {
                buf_.append(chunk, static_cast<std::size_t>(n));
            }
        }
    }

private:
    std::string buf_;
    std::size_t start_ = 0;
    bool ended_ = false;
};

}  // namespace

// Names of the build's file system are UTF-8: a name typed in the console's code page is
// converted, as on Windows; a name from the command line is UTF-8 already.
std::string typed_name(const std::string& console_bytes) {
    return decode(console_bytes, CodePage::Cp852);
}

std::string shown_name(const std::string& name, bool typed) {
    return typed ? decode(name, CodePage::Cp852) : name;
}

LocalTime local_now() {
    int t[6] = {};
    kavron_web_now(t);
    return {t[0], t[1], t[2], t[3], t[4], t[5]};
}

void tell_user(std::string_view utf8) {
    std::string line(utf8);
    line += '\n';
    put(kError, line);
}

std::vector<std::string> arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

struct Session::Impl {
    ConsoleReader in;
    ConsoleWriter out;
    TextWriter text{kText};
    TextWriter err{kError};
    void* memory = nullptr;
};

Session::Session()
    : impl_(new Impl),
      in_(&impl_->in),
      out_(&impl_->out),
      text_out_(&impl_->text),
      text_err_(&impl_->err) {}

Session::~Session() {
    std::free(impl_->memory);
    delete impl_;
}

void* Session::memory(std::size_t bytes) {
    impl_->memory = std::calloc(1, bytes);
    if (impl_->memory == nullptr) {
        std::abort();
    }
    return impl_->memory;
}

}  // namespace kavron::platform
