// The program as a process, as a user meets it: a real signal sent while it waits in a dialog, a
// real file-size limit, a standard output that nobody reads any more. Each run's files are
// compared with those of the same run made in-process.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <memory>

#include "harness.hpp"

namespace kavron {
namespace {

using test::lines_of;
using test::slurp;

const std::filesystem::path kExamples = KAVRON_EXAMPLES;

// How a child process ended, and what it wrote.
struct Ended {
    int status = -1;  // exit status, or 128 + the signal that killed it
    std::string out, err;
};

// Starts the program in `dir` with SOURCE_DATE_EPOCH at the cases' moment. `before_exec` runs in
// the child (limits, signal dispositions).
class Child {
public:
    Child(const std::filesystem::path& dir, const std::vector<std::string>& args,
          void (*before_exec)() = nullptr, bool read_stdout = true) {
        int in[2], out[2], err[2];
        EXPECT_EQ(pipe(in), 0);
        EXPECT_EQ(pipe(out), 0);
        EXPECT_EQ(pipe(err), 0);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            dup2(err[1], 2);
            for (const int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) {
                close(fd);
            }
            if (chdir(dir.c_str()) != 0) {
                _exit(126);
            }
            if (before_exec != nullptr) {
                before_exec();
            }
            setenv("SOURCE_DATE_EPOCH", "1778058303", 1);
            std::vector<char*> argv;
            std::string program = KAVRON_PROGRAM;
            argv.push_back(program.data());
            std::vector<std::string> copy = args;
            for (std::string& a : copy) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        close(err[1]);
        in_ = in[1];
        out_ = out[0];
        err_ = err[0];
        if (!read_stdout) {
            close(out_);  // nobody reads the console any more
            out_ = -1;
        }
        fcntl(out_, F_SETFL, O_NONBLOCK);
        fcntl(err_, F_SETFL, O_NONBLOCK);
    }
    ~Child() {
        for (const int fd : {in_, out_, err_}) {
            if (fd >= 0) {
                close(fd);
            }
        }
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    void type(const std::vector<std::string>& lines) {
        for (const std::string& l : lines) {
            const std::string s = l + "\n";
            ASSERT_EQ(write(in_, s.data(), s.size()), static_cast<ssize_t>(s.size()));
        }
    }
    void end_input() {
        close(in_);
        in_ = -1;
    }
    // Reads the console until it holds `bytes` bytes (then the program waits for a line).
    bool wait_for_console(std::size_t bytes) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (ended_.out.size() < bytes && std::chrono::steady_clock::now() < until) {
            pump(100);
        }
        return ended_.out.size() == bytes;
    }
    void signal(int sig) { kill(pid_, sig); }
    Ended wait() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        int st = 0;
        while (waitpid(pid_, &st, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > until) {
                kill(pid_, SIGKILL);  // a hang: the test fails on the status
            }
            pump(20);
        }
        reaped_ = true;
        pump(0);
        ended_.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
        return ended_;
    }

private:
    void pump(int ms) {
        pollfd p[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        poll(p, 2, ms);
        char buf[4096];
        ssize_t n = 0;
        while (out_ >= 0 && (n = read(out_, buf, sizeof buf)) > 0) {
            ended_.out.append(buf, static_cast<std::size_t>(n));
        }
        while ((n = read(err_, buf, sizeof buf)) > 0) {
            ended_.err.append(buf, static_cast<std::size_t>(n));
        }
    }

    pid_t pid_ = -1;
    int in_ = -1, out_ = -1, err_ = -1;
    bool reaped_ = false;
    Ended ended_;
};

// A reader of a script that notes how much console the run had written at each of its reads.
class Noting : public LineReader {
public:
    Noting(std::vector<std::string> lines, const test::StringWriter& out)
        : lines_(std::move(lines)), out_(out) {}
    std::optional<std::string> read_line() override {
        at_read.push_back(out_.text.size());
        if (next_ >= lines_.size()) {
            return std::nullopt;
        }
        return lines_[next_++];
    }
    std::vector<std::size_t> at_read;

private:
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
    const test::StringWriter& out_;
};

struct InProcess {
    test::Scratch s;
    test::StringWriter out, text, errors;
    std::unique_ptr<Noting> in;
    int status = 0;
    InProcess(const std::string& input, const std::vector<std::string>& script) {
        s.put("in.txt", input);
        in = std::make_unique<Noting>(script, out);
        const auto job = std::make_unique<Job>();
        status = run_command(
            {}, *in, out, text, errors, [] { return DateTime{2026, 5, 6, 9, 5, 3}; }, *job,
            s.dir());
    }
};

std::vector<std::string> script_of(const std::string& job) {
    std::vector<std::string> lines = lines_of(slurp(kExamples / (job + ".konzole")));
    lines.at(2) = "in.txt";
    return lines;
}

struct Stop {
    int sig;
    int lines;  // console lines typed before the signal
};

class Interrupt : public ::testing::TestWithParam<Stop> {};

// The listing and the diagnostics file of a run interrupted while it waits equal those of the run
// whose console input ends there; the reports say so.
TEST_P(Interrupt, LeavesTheFilesOfTheRunWhoseInputEndsThere) {
    const Stop stop = GetParam();
    const std::string input = slurp(kExamples / "mikrosit.txt");
    std::vector<std::string> typed = script_of("mikrosit");
    typed.resize(static_cast<std::size_t>(stop.lines));
    const InProcess ref(input, typed);

    test::Scratch s;
    s.put("in.txt", input);
    Child child(s.dir(), {"--json", "r.json", "--svg", "r.svg"});
    child.type(typed);
    // The console the run had written when it came to wait for the next line.
    ASSERT_TRUE(child.wait_for_console(ref.in->at_read.at(typed.size())));
    child.signal(stop.sig);
    const Ended e = child.wait();
    EXPECT_EQ(e.status, 128 + stop.sig);
    EXPECT_EQ(s.get("chyby.txt"), ref.s.get("chyby.txt"));
    EXPECT_EQ(s.get("vysledky.txt"), ref.s.get("vysledky.txt"));
    EXPECT_EQ(s.exists("vysledky.txt"), ref.s.exists("vysledky.txt"));
    const auto doc = nlohmann::json::parse(s.get("r.json"));
    EXPECT_EQ(doc["ending"]["kind"], "interrupted");
    EXPECT_EQ(doc["ending"]["status"], 128 + stop.sig);
    EXPECT_NE(s.get("r.svg").find("(interrupted)</text>"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Signals, Interrupt,
                         ::testing::Values(Stop{SIGINT, 8}, Stop{SIGTERM, 13}, Stop{SIGHUP, 1},
                                           Stop{SIGINT, 21}));

template <rlim_t kBytes>
void limit_files() {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit lim{kBytes, kBytes};
    setrlimit(RLIMIT_FSIZE, &lim);
}

bool whole_records_of(const std::string& cut, const std::string& full) {
    return full.compare(0, cut.size(), cut) == 0 &&
           (cut.empty() || cut.compare(cut.size() - 2, 2, "\r\n") == 0);
}

// A listing or a diagnostics file that cannot be written ends the run with status 4 and a
// message; what the file holds is whole records of what it would have held.
TEST(WriteFailure, ListingUnderAFileSizeLimit) {
    const std::string input = slurp(kExamples / "mikrosit.txt");
    const InProcess ref(input, script_of("mikrosit"));
    test::Scratch s;
    s.put("in.txt", input);
    Child child(s.dir(), {"--json", "r.json"}, limit_files<1000>);
    child.type(script_of("mikrosit"));
    child.end_input();
    const Ended e = child.wait();
    EXPECT_EQ(e.status, 4);
    EXPECT_NE(e.err.find("kavron: soubor vysledky.txt nelze zapsat: soubor by překročil"),
              std::string::npos)
        << e.err;
    const std::string cut = s.get("vysledky.txt");
    EXPECT_LE(cut.size(), 1000U);
    EXPECT_GT(cut.size(), 500U);
    EXPECT_TRUE(whole_records_of(cut, ref.s.get("vysledky.txt")));
    // The diagnostics file and the JSON, as large, hit the limit too, and say so.
    EXPECT_TRUE(whole_records_of(s.get("chyby.txt"), ref.s.get("chyby.txt")));
    EXPECT_LE(s.get("chyby.txt").size(), 1000U);
    EXPECT_NE(e.err.find("kavron: soubor chyby.txt nelze zapsat"), std::string::npos) << e.err;
    EXPECT_NE(e.err.find("kavron: soubor r.json nelze zapsat"), std::string::npos) << e.err;
}

TEST(WriteFailure, DiagnosticsFileUnderAFileSizeLimit) {
    // No datum at all: after the check tables of 62 measurements the solution is singular, and
    // the run waits at its pause with more in the diagnostics file than in the listing.
    std::string input = slurp(kExamples / "nejvetsi.txt");
    std::vector<std::string> lines = lines_of(input);
    input.clear();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string l = lines[i];
        if (i >= 2 && i < 9) {
            const auto a = l.find_first_not_of(' ');
            const auto b = l.find(' ', a);
            const auto c = l.find_first_not_of(' ', b);
            const auto d = l.find(' ', c);
            l = l.substr(0, c) + "0" + l.substr(d);
        }
        input += l + "\n";
    }
    const InProcess ref(input, {"chyby.txt", "vysledky.txt", "in.txt", ""});
    ASSERT_GT(ref.s.get("chyby.txt").size(), 1500U);
    ASSERT_LT(ref.s.get("vysledky.txt").size(), 1500U);
    test::Scratch s;
    s.put("in.txt", input);
    Child child(s.dir(), {}, limit_files<1500>);
    child.type({"chyby.txt", "vysledky.txt", "in.txt", ""});
    child.end_input();
    const Ended e = child.wait();
    EXPECT_EQ(e.status, 4);
    EXPECT_NE(e.err.find("kavron: soubor chyby.txt nelze zapsat"), std::string::npos) << e.err;
    EXPECT_TRUE(whole_records_of(s.get("chyby.txt"), ref.s.get("chyby.txt")));
    EXPECT_EQ(s.get("vysledky.txt"), ref.s.get("vysledky.txt"));
}

TEST(WriteFailure, DiagnosticsFileOnAFullDevice) {
    const std::string input = slurp(kExamples / "mikrosit.txt");
    test::Scratch s;
    s.put("in.txt", input);
    Child child(s.dir(), {});
    std::vector<std::string> script = script_of("mikrosit");
    script[0] = "/dev/full";
    child.type(script);
    child.end_input();
    const Ended e = child.wait();
    EXPECT_EQ(e.status, 4);
    EXPECT_NE(e.err.find("kavron: soubor /dev/full nelze zapsat: na disku není místo"),
              std::string::npos)
        << e.err;
}

// Standard output into a pipe that nobody reads: one message, status 4, no loop of failing
// writes.
TEST(WriteFailure, ClosedStandardOutput) {
    test::Scratch s;
    s.put("in.txt", slurp(kExamples / "mikrosit.txt"));
    Child child(s.dir(), {}, nullptr, false);
    child.type(script_of("mikrosit"));
    child.end_input();
    const Ended e = child.wait();
    EXPECT_EQ(e.status, 4);
    EXPECT_EQ(e.err, "kavron: standardní výstup nelze zapsat: výstup je uzavřen\n");
}

}  // namespace
}  // namespace kavron
