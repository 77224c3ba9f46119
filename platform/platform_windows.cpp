// The Windows side of the platform.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "format/codepage.hpp"
#include "platform/platform.hpp"

// After the program's headers: <windows.h> defines IN and OUT as macros, and IN names the task's
// point numbers.
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
// After <windows.h>, which it needs.
#include <shellapi.h>

namespace kavron::platform {

namespace {

std::wstring wide(std::string_view utf8) {
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}

// A name typed on the console (code page 852) as the Unicode name Windows knows.
std::wstring wide_name(const std::string& cp852_bytes) {
    return wide(decode(cp852_bytes, CodePage::Cp852));
}

}  // namespace

namespace {

class WindowsFile : public RawFile {
public:
    explicit WindowsFile(int fd) : fd_(fd) {}
    ~WindowsFile() override {
        if (fd_ >= 0) {
            _close(fd_);
        }
    }
    WindowsFile(const WindowsFile&) = delete;
    WindowsFile& operator=(const WindowsFile&) = delete;

    bool write(std::string_view bytes, std::size_t& done, int& error) override {
        done = 0;
        while (done < bytes.size()) {
            const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, 1U << 20);
            const int n = _write(fd_, bytes.data() + done, static_cast<unsigned>(chunk));
            if (n <= 0) {
                error = n < 0 ? errno : ENOSPC;
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    bool truncate(std::uint64_t size) override {
        return _chsize_s(fd_, static_cast<__int64>(size)) == 0;
    }
    bool close(int& error) override {
        const int fd = fd_;
        fd_ = -1;
        if (_close(fd) != 0) {
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
    // _O_EXCL with _O_CREAT creates the file only if no file of that name exists.
    const int flags = _O_CREAT | _O_WRONLY | _O_BINARY | (how == Create::New ? _O_EXCL : _O_TRUNC);
    const int fd = _wopen(wide_name(name).c_str(), flags, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        if (error != nullptr) {
            *error = errno;
        }
        return nullptr;
    }
    return std::make_unique<WindowsFile>(fd);
}

bool read_file(const std::string& name, std::string& bytes) {
    const int fd = _wopen(wide_name(name).c_str(), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        return false;
    }
    bytes.clear();
    char buf[8192];
    for (;;) {
        const int n = _read(fd, buf, sizeof buf);
        if (n < 0) {
            _close(fd);
            return false;
        }
        if (n == 0) {
            break;
        }
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    _close(fd);
    return true;
}

bool remove_file(const std::string& name) {
    return _wremove(wide_name(name).c_str()) == 0;
}

LocalTime local_now() {
    const std::time_t now = std::time(nullptr);
    const std::tm* tm = std::localtime(&now);  // one thread; read once
    if (tm == nullptr) {
        return {1970, 1, 1, 0, 0, 0};
    }
    return {tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday, tm->tm_hour, tm->tm_min, tm->tm_sec};
}

void tell_user(std::string_view utf8) {
    HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(h, &mode) != 0) {
        const std::wstring w = wide(std::string(utf8) + "\n");
        DWORD done = 0;
        WriteConsoleW(h, w.data(), static_cast<DWORD>(w.size()), &done, nullptr);
        return;
    }
    const std::string bytes = encode(utf8, CodePage::Cp852);
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fputc('\n', stderr);
}

std::vector<std::string> arguments(int, char**) {
    // The Unicode command line, each argument in code page 852 like a name typed on the console.
    int n = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
    std::vector<std::string> out;
    for (int i = 1; wide != nullptr && i < n; ++i) {
        const int len = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(len > 0 ? len - 1 : 0), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, utf8.data(), len, nullptr, nullptr);
        out.push_back(encode(utf8, CodePage::Cp852));
    }
    LocalFree(wide);
    return out;
}

namespace {

// The console's code pages before the run; restored at every ending.
UINT saved_output_cp = 0;
UINT saved_input_cp = 0;
bool switched = false;

void restore_code_pages() {
    if (switched) {
        std::fflush(stdout);
        SetConsoleOutputCP(saved_output_cp);
        SetConsoleCP(saved_input_cp);
        switched = false;
    }
}

BOOL WINAPI on_console_event(DWORD) {
    restore_code_pages();
    return FALSE;  // the default handler ends the process
}

class StdoutWriter : public ByteWriter {
public:
    void write(std::string_view bytes) override {
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    }
};

// UTF-8 texts for the terminal: on a console as Unicode, whatever its code page; redirected, in
// code page 852, the console's.
class TextWriter : public ByteWriter {
public:
    TextWriter(std::FILE* f, DWORD handle) : f_(f), handle_(handle) {}
    void write(std::string_view utf8) override {
        HANDLE h = GetStdHandle(handle_);
        DWORD mode = 0;
        if (GetConsoleMode(h, &mode) != 0) {
            std::fflush(f_);
            const std::wstring w = wide(utf8);
            DWORD done = 0;
            WriteConsoleW(h, w.data(), static_cast<DWORD>(w.size()), &done, nullptr);
            return;
        }
        const std::string bytes = encode(utf8, CodePage::Cp852);
        std::fwrite(bytes.data(), 1, bytes.size(), f_);
    }

private:
    std::FILE* f_;
    DWORD handle_;
};

class StdinReader : public LineReader {
public:
    std::optional<std::string> read_line() override {
        std::fflush(stdout);
        std::string line;
        int c = std::getc(stdin);
        if (c == EOF) {
            return std::nullopt;
        }
        while (c != EOF && c != '\n') {
            line.push_back(static_cast<char>(c));
            c = std::getc(stdin);
        }
        return line;  // a CR before the LF is the console's; the caller drops it
    }
};

}  // namespace

struct Session::Impl {
    StdinReader in;
    StdoutWriter out;
    TextWriter text_out{stdout, STD_OUTPUT_HANDLE};
    TextWriter text_err{stderr, STD_ERROR_HANDLE};
    void* memory = nullptr;
};

Session::Session()
    : impl_(new Impl),
      in_(&impl_->in),
      out_(&impl_->out),
      text_out_(&impl_->text_out),
      text_err_(&impl_->text_err) {
    // The program writes its own CR LF: no translation of LF in either direction.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0) {
        saved_output_cp = GetConsoleOutputCP();
        saved_input_cp = GetConsoleCP();
        SetConsoleCtrlHandler(on_console_event, TRUE);
        SetConsoleOutputCP(852);
        SetConsoleCP(852);
        switched = true;
    }
}

Session::~Session() {
    std::fflush(stdout);
    restore_code_pages();
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
