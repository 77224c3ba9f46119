// The POSIX side of the platform: Linux and the other POSIX systems.
#include <sys/mman.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <new>

#include "driver/platform.hpp"

namespace kavron::platform {

std::FILE* open_file(const std::string& name, Open how) {
    // "x" is O_EXCL: the create fails when the name exists, whoever made it.
    const char* mode = how == Open::Replace ? "wb"
                       : how == Open::New   ? "wbx"
                       : how == Open::Keep  ? "ab"
                                            : "rb";
    return std::fopen(name.c_str(), mode);
}

bool remove_file(const std::string& name) {
    return std::remove(name.c_str()) == 0;
}

DateTime local_now() {
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
// huge page they take one. Where that cannot be had, the task lives on the heap as usual.
struct TaskStorage {
    static constexpr std::size_t kHuge = std::size_t{2} << 20;
    static_assert(sizeof(Task) <= kHuge);
    void* region = MAP_FAILED;
    Task* task = nullptr;
    std::unique_ptr<Task> fallback;

    TaskStorage() {
        region =
            mmap(nullptr, 2 * kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (region == MAP_FAILED) {
            fallback = std::make_unique<Task>();
            task = fallback.get();
            return;
        }
        void* aligned = region;
        std::size_t space = 2 * kHuge;
        std::align(kHuge, kHuge, aligned, space);      // the region holds an aligned 2 MB
        (void)madvise(aligned, kHuge, MADV_HUGEPAGE);  // only a hint
        task = new (aligned) Task;
    }
    ~TaskStorage() {
        if (region != MAP_FAILED) {
            task->~Task();
            munmap(region, 2 * kHuge);
        }
    }
    TaskStorage(const TaskStorage&) = delete;
    TaskStorage& operator=(const TaskStorage&) = delete;
};

}  // namespace

struct Session::Impl {
    StdinReader in;
    FileWriter out{stdout};
    FileWriter err{stderr};
    TaskStorage storage;
};

Session::Session()
    : impl_(new Impl),
      in_(&impl_->in),
      out_(&impl_->out),
      text_out_(&impl_->out),
      text_err_(&impl_->err),
      task_(impl_->storage.task) {}
Session::~Session() {
    std::fflush(stdout);
    delete impl_;
}

}  // namespace kavron::platform
