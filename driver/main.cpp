// Entry point: the console is the standard input and output, the clock is the local time.
#include <cstdio>
#include <ctime>
#include <iostream>
#include <string>

#include "driver/run.hpp"

namespace {

class StdoutWriter : public kavron::ByteWriter {
public:
    void write(std::string_view bytes) override {
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    }
};

class StdinReader : public kavron::LineReader {
public:
    std::optional<std::string> read_line() override {
        std::fflush(stdout);
        std::string line;
        if (!std::getline(std::cin, line)) {
            return std::nullopt;
        }
        return line;
    }
};

kavron::DateTime local_now() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace

int main() {
    std::ios::sync_with_stdio(false);
    StdoutWriter out;
    StdinReader in;
    const int status = kavron::run_program(in, out, local_now);
    std::fflush(stdout);
    return status;
}
