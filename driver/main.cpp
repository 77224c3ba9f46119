// Entry point: the console is the standard input and output, the clock is the local time.
#include <sys/mman.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <memory>
#include <new>
#include <string>

#include "driver/run.hpp"
#include "driver/task.hpp"

namespace {

class StdoutWriter : public kavron::ByteWriter {
public:
    void write(std::string_view bytes) override {
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    }
};

class StdinReader : public kavron::LineReader {
public:
    ~StdinReader() override { std::free(buf_); }
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

kavron::DateTime local_now() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

// The task's arrays take about 630 KB. Cleared page by page they cost one page fault per 4 KB,
// and on a virtual machine those faults cost more than the whole adjustment; in a transparent
// huge page they take one. Where that cannot be had, the task lives on the heap as usual.
struct TaskStorage {
    static constexpr std::size_t kHuge = std::size_t{2} << 20;
    static_assert(sizeof(kavron::Task) <= kHuge);
    void* region = MAP_FAILED;
    kavron::Task* task = nullptr;
    std::unique_ptr<kavron::Task> fallback;

    TaskStorage() {
        region =
            mmap(nullptr, 2 * kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (region == MAP_FAILED) {
            fallback = std::make_unique<kavron::Task>();
            task = fallback.get();
            return;
        }
        void* aligned = region;
        std::size_t space = 2 * kHuge;
        std::align(kHuge, kHuge, aligned, space);      // the region holds an aligned 2 MB
        (void)madvise(aligned, kHuge, MADV_HUGEPAGE);  // only a hint
        task = new (aligned) kavron::Task;
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

int main() {
    StdoutWriter out;
    StdinReader in;
    TaskStorage storage;
    const int status = kavron::run_program(in, out, local_now, *storage.task);
    std::fflush(stdout);
    return status;
}
