// The Windows side of the platform.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "format/codepage.hpp"
#include "platform/interruption.hpp"
#include "platform/platform.hpp"

// After the program's headers: <windows.h> defines IN and OUT as macros, and IN names the job's
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

// The C library's error number of a failed write, made precise from the system's error.
int error_number(int crt) {
    switch (GetLastError()) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_FILE_TOO_LARGE:
            return EFBIG;
        default:
            return crt;
    }
}

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
        const __int64 start = _telli64(fd_);
        while (done < bytes.size()) {
            const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, 1U << 20);
            const int n = _write(fd_, bytes.data() + done, static_cast<unsigned>(chunk));
            if (n <= 0) {
                error = n < 0 ? error_number(errno) : ENOSPC;
                // A write that failed may still have written some of its bytes.
                const __int64 now = _telli64(fd_);
                if (start >= 0 && now > start) {
                    done = static_cast<std::size_t>(now - start);
                }
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    bool truncate(std::uint64_t size) override {
        return _chsize_s(fd_, static_cast<__int64>(size)) == 0 &&
               _lseeki64(fd_, static_cast<__int64>(size), SEEK_SET) >= 0;
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
    const int fd = name.find('\0') != std::string::npos
                       ? (errno = EINVAL, -1)  // the system would cut the name there
                       : _wopen(wide_name(name).c_str(), flags, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        if (error != nullptr) {
            *error = errno;
        }
        return nullptr;
    }
    return std::make_unique<WindowsFile>(fd);
}

ReadResult read_file(const std::string& name, std::string& bytes, int* error) {
    int unused = 0;
    int& e = error != nullptr ? *error : unused;
    if (name.find('\0') != std::string::npos) {  // the system would cut the name there
        e = EINVAL;
        return ReadResult::Cannot;
    }
    const int fd = _wopen(wide_name(name).c_str(), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        e = errno;
        return ReadResult::Cannot;
    }
    bytes.clear();
    char buf[8192];
    ReadResult result = ReadResult::Ok;
    for (;;) {
        try {
            detail::check_interruption();
        } catch (...) {
            _close(fd);
            throw;
        }
        const int n = _read(fd, buf, sizeof buf);
        if (n < 0) {
            e = errno;
            result = ReadResult::Cannot;
            break;
        }
        if (n == 0) {
            break;
        }
        if (bytes.size() + static_cast<std::size_t>(n) > kInputLimit) {
            bytes.clear();
            result = ReadResult::TooLarge;
            break;
        }
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    _close(fd);
    return result;
}

bool remove_file(const std::string& name) {
    return _wremove(wide_name(name).c_str()) == 0;
}

std::string typed_name(const std::string& console_bytes) {
    return console_bytes;
}

std::string shown_name(const std::string& name, bool) {
    return decode(name, CodePage::Cp852);
}

Found look_at(const std::string& name, std::string& head, std::size_t n) {
    if (name.find('\0') != std::string::npos) {
        return Found::Other;
    }
    const std::wstring w = wide_name(name);
    struct _stat64 st {};
    if (_wstat64(w.c_str(), &st) != 0) {
        return errno == ENOENT ? Found::Nothing : Found::Other;
    }
    if ((st.st_mode & _S_IFMT) != _S_IFREG) {
        return Found::Other;
    }
    const int fd = _wopen(w.c_str(), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        return Found::Unreadable;
    }
    head.assign(n, '\0');
    std::size_t got = 0;
    while (got < n) {
        const int r = _read(fd, head.data() + got, static_cast<unsigned>(n - got));
        if (r <= 0) {
            break;
        }
        got += static_cast<std::size_t>(r);
    }
    _close(fd);
    head.resize(got);
    return Found::Regular;
}

namespace {

// The volume and the index of the file a name stands for; false when it cannot be opened.
bool identity(const std::string& name, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE h = CreateFileW(wide_name(name).c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    const BOOL ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    return ok != 0;
}

}  // namespace

bool same_file(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    return identity(a, x) && identity(b, y) && x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
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

std::optional<std::vector<std::string>> files_in(const std::string& folder) {
    WIN32_FIND_DATAW f;
    HANDLE h = FindFirstFileW(wide_name(folder + "\\*").c_str(), &f);
    if (h == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    do {
        if ((f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || f.cFileName[0] == L'.') {
            continue;
        }
        const int len =
            WideCharToMultiByte(CP_UTF8, 0, f.cFileName, -1, nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(len > 0 ? len - 1 : 0), '\0');
        WideCharToMultiByte(CP_UTF8, 0, f.cFileName, -1, utf8.data(), len, nullptr, nullptr);
        names.push_back(encode(utf8, CodePage::Cp852));
    } while (FindNextFileW(h, &f));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
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
volatile LONG switched = 0;

void restore_code_pages() {
    if (InterlockedExchange(&switched, 0) != 0) {
        SetConsoleOutputCP(saved_output_cp);
        SetConsoleCP(saved_input_cp);
    }
}

// The interruption caught (a console event + 1), 0 while there is none. The handler runs in a
// thread of its own: it records the event, wakes the main thread from a console read and, when
// the window is being closed, waits until the main thread has finished the run (the system ends
// the process when the handler returns).
volatile LONG caught = 0;
HANDLE wake = nullptr;      // set when an interruption is caught
HANDLE finished = nullptr;  // set when the main thread has finished the run
HANDLE main_thread = nullptr;

BOOL WINAPI on_console_event(DWORD event) {
    InterlockedCompareExchange(&caught, static_cast<LONG>(event) + 1, 0);
    SetEvent(wake);
    if (main_thread != nullptr) {
        CancelSynchronousIo(main_thread);
    }
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        WaitForSingleObject(finished, 4500);
        restore_code_pages();
    }
    return TRUE;
}

void check_interruption() {
    const LONG c = caught;
    if (c != 0) {
        const DWORD event = static_cast<DWORD>(c - 1);
        throw Interrupted{event == CTRL_C_EVENT       ? "Ctrl+C"
                          : event == CTRL_BREAK_EVENT ? "Ctrl+Break"
                                                      : "zavření okna",
                          static_cast<int>(STATUS_CONTROL_C_EXIT)};
    }
}

}  // namespace

void check_interrupted() {
    check_interruption();
}

namespace detail {
void check_interruption() {
    ::kavron::platform::check_interruption();
}
int interruption_descriptor() {
    return -1;
}
}  // namespace detail

namespace {

bool is_console(DWORD handle) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(handle), &mode) != 0;
}

// Standard output: bytes gathered and written at each flush (before every console read) and
// when many are waiting.
class StdoutWriter : public ByteWriter {
public:
    void write(std::string_view bytes) override {
        check_interruption();
        pending_.append(bytes);
        if (pending_.size() >= 8192) {
            flush();
        }
    }
    void flush() override {
        check_interruption();
        HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
        std::size_t done = 0;
        while (done < pending_.size()) {
            DWORD n = 0;
            const auto chunk =
                static_cast<DWORD>(std::min<std::size_t>(pending_.size() - done, 1U << 16));
            if (WriteFile(h, pending_.data() + done, chunk, &n, nullptr) == 0 || n == 0) {
                const DWORD e = GetLastError();
                check_interruption();
                pending_.clear();
                throw WriteFailed{e == ERROR_NO_DATA || e == ERROR_BROKEN_PIPE          ? EPIPE
                                  : e == ERROR_DISK_FULL || e == ERROR_HANDLE_DISK_FULL ? ENOSPC
                                                                                        : EIO};
            }
            done += n;
        }
        pending_.clear();
    }

private:
    std::string pending_;
};

// UTF-8 texts for the terminal: on a console as Unicode, whatever its code page; redirected, in
// code page 852, the console's.
class TextWriter : public ByteWriter {
public:
    // `checked`: a failed write throws (standard output; standard error has nowhere to say so).
    TextWriter(std::FILE* f, DWORD handle, bool checked)
        : f_(f), handle_(handle), checked_(checked) {}
    void write(std::string_view utf8) override {
        HANDLE h = GetStdHandle(handle_);
        DWORD mode = 0;
        if (GetConsoleMode(h, &mode) != 0) {
            std::fflush(f_);
            const std::wstring w = wide(utf8);
            DWORD done = 0;
            if (WriteConsoleW(h, w.data(), static_cast<DWORD>(w.size()), &done, nullptr) == 0 &&
                checked_) {
                throw WriteFailed{EIO};
            }
            return;
        }
        const std::string bytes = encode(utf8, CodePage::Cp852);
        errno = 0;
        const bool ok =
            std::fwrite(bytes.data(), 1, bytes.size(), f_) == bytes.size() && std::fflush(f_) == 0;
        if (!ok && checked_) {
            std::clearerr(f_);
            throw WriteFailed{errno != 0 ? errno : EIO};
        }
    }

private:
    std::FILE* f_;
    DWORD handle_;
    bool checked_;
};

// Standard input, line by line. A read that Ctrl+C or the closing of the window broke off ends
// in Interrupted (the handler may still be on its way: a console read waits a little for it).
// The end of the input is final, as for a C stream.
class StdinReader : public LineReader {
public:
    std::optional<std::string> read_line() override {
        check_interruption();
        for (;;) {
            const std::size_t nl = buf_.find('\n', start_);
            if (nl != std::string::npos) {
                std::string line = buf_.substr(start_, nl - start_);
                start_ = nl + 1;
                return line;  // a CR before the LF is the console's; the caller drops it
            }
            if (ended_) {
                if (start_ < buf_.size()) {
                    std::string line = buf_.substr(start_);
                    start_ = buf_.size();
                    return line;
                }
                return std::nullopt;
            }
            fill();
        }
    }

private:
    void fill() {
        buf_.erase(0, start_);
        start_ = 0;
        char chunk[4096];
        DWORD n = 0;
        const BOOL ok = ReadFile(GetStdHandle(STD_INPUT_HANDLE), chunk, sizeof chunk, &n, nullptr);
        if (ok == 0 || n == 0) {
            if (is_console(STD_INPUT_HANDLE)) {
                WaitForSingleObject(wake, 300);
            }
            check_interruption();
            ended_ = true;
            return;
        }
        buf_.append(chunk, n);
    }

    std::string buf_;
    std::size_t start_ = 0;
    bool ended_ = false;
};

}  // namespace

struct Session::Impl {
    StdinReader in;
    StdoutWriter out;
    TextWriter text_out{stdout, STD_OUTPUT_HANDLE, true};
    TextWriter text_err{stderr, STD_ERROR_HANDLE, false};
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
    wake = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &main_thread, 0,
                    FALSE, DUPLICATE_SAME_ACCESS);
    SetConsoleCtrlHandler(on_console_event, TRUE);
    if (is_console(STD_OUTPUT_HANDLE)) {
        saved_output_cp = GetConsoleOutputCP();
        saved_input_cp = GetConsoleCP();
        SetConsoleOutputCP(852);
        SetConsoleCP(852);
        switched = 1;
    }
}

Session::~Session() {
    std::fflush(stdout);
    restore_code_pages();
    std::free(impl_->memory);
    delete impl_;
    SetEvent(finished);
}

void* Session::memory(std::size_t bytes) {
    impl_->memory = std::calloc(1, bytes);
    if (impl_->memory == nullptr) {
        std::abort();
    }
    return impl_->memory;
}

}  // namespace kavron::platform
