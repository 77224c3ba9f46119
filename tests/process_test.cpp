// The program as a process, as a user meets it: a real signal sent while it waits in a dialog, a
// real file-size limit, a standard output that nobody reads any more. Each run's files are
// compared with those of the same run made in-process.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <memory>

#include "format/codepage.hpp"
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
          void (*before_exec)() = nullptr, bool read_stdout = true,
          std::string program = KAVRON_PROGRAM) {
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

    // Types the lines; a program that has ended already (its input closed) takes no more.
    void type(const std::vector<std::string>& lines) {
        std::signal(SIGPIPE, SIG_IGN);
        for (const std::string& l : lines) {
            const std::string s = l + "\n";
            const ssize_t n = write(in_, s.data(), s.size());
            if (n < 0 && errno == EPIPE) {
                return;
            }
            ASSERT_EQ(n, static_cast<ssize_t>(s.size()));
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
    // Reads the console until it holds the text (then the program has gone past it).
    bool wait_for_text(const std::string& text) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (ended_.out.find(text) == std::string::npos &&
               std::chrono::steady_clock::now() < until) {
            pump(100);
        }
        return ended_.out.find(text) != std::string::npos;
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
        const auto job = std::make_unique<Storage>();
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

// ---- Input the program must not wait for, or swallow, for ever ----

const std::string kInputPrompt = cp852("Jméno vstupního souboru");

// The input file's name typed in the dialog stands for a pipe whose writer never closes it: the
// read waits for more, and an interruption ends it at once, as it ends any other wait.
class PipeAsInput : public ::testing::TestWithParam<int> {};

TEST_P(PipeAsInput, AnInterruptionEndsTheWait) {
    const int sig = GetParam();
    test::Scratch s;
    const std::string fifo = (s.dir() / "in.fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int writer = open(fifo.c_str(), O_RDWR);  // a writer that stays
    ASSERT_GE(writer, 0);
    ASSERT_EQ(write(writer, "'Akce'\n3 1 10 3 0\n", 18), 18);
    Child child(s.dir(), {"--json", "r.json"});
    child.type({"chyby.txt", "vysledky.txt", "in.fifo"});
    ASSERT_TRUE(child.wait_for_text(kInputPrompt));
    usleep(300000);  // the program reads the pipe now
    const auto sent = std::chrono::steady_clock::now();
    child.signal(sig);
    const Ended e = child.wait();
    close(writer);
    EXPECT_EQ(e.status, 128 + sig);
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(3));
    EXPECT_EQ(nlohmann::json::parse(s.get("r.json"))["ending"]["kind"], "interrupted");
}

INSTANTIATE_TEST_SUITE_P(Signals, PipeAsInput, ::testing::Values(SIGINT, SIGTERM, SIGHUP));

// A pipe that nobody writes: opening it waits for a writer, and an interruption ends that too.
TEST(PipeAsInput, WithoutAWriterTheOpeningEndsOnASignal) {
    test::Scratch s;
    ASSERT_EQ(mkfifo((s.dir() / "in.fifo").c_str(), 0600), 0);
    Child child(s.dir(), {});
    child.type({"chyby.txt", "vysledky.txt", "in.fifo"});
    ASSERT_TRUE(child.wait_for_text(kInputPrompt));
    usleep(300000);
    child.signal(SIGTERM);
    EXPECT_EQ(child.wait().status, 128 + SIGTERM);
}

#if defined(__SANITIZE_ADDRESS__)
#define KAVRON_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KAVRON_ASAN 1
#endif
#endif

// An address-space limit that the program would reach long before /dev/zero ends. AddressSanitizer
// reserves terabytes of shadow memory at start, so its builds run the same test without the limit
// (the other builds keep it).
void limit_memory() {
#ifndef KAVRON_ASAN
    const rlimit lim{rlim_t{512} << 20, rlim_t{512} << 20};
    setrlimit(RLIMIT_AS, &lim);
#endif
}

template <rlim_t kMegabytes>
void limit_memory_to() {
#ifndef KAVRON_ASAN
    const rlimit lim{kMegabytes << 20, kMegabytes << 20};
    setrlimit(RLIMIT_AS, &lim);
#endif
}

// A device of endless bytes is refused after its first megabyte, long before the memory runs out;
// the prompt asks again, and says why on standard error.
TEST(EndlessInput, ADeviceIsRefusedAtItsFirstMegabyte) {
    test::Scratch s;
    Child child(s.dir(), {}, limit_memory);
    child.type({"chyby.txt", "vysledky.txt", "/dev/zero"});
    child.end_input();
    const Ended e = child.wait();
    EXPECT_EQ(e.status, 0);  // the console ended at the repeated prompt
    EXPECT_NE(e.out.find("/dev/zero                - tento soubor neexistuje"), std::string::npos);
    EXPECT_NE(e.out.find("Konec vstupu z konzoly"), std::string::npos);
    EXPECT_EQ(e.err, "kavron: soubor /dev/zero: je větší než 1 MB, vstupní soubor to být nemůže\n");
}

TEST(EndlessInput, AFileOverAMegabyteIsRefused) {
    test::Scratch s;
    s.put("velky.txt", slurp(kExamples / "mikrosit.txt") + std::string(std::size_t{1} << 20, ' '));
    Child child(s.dir(), {});
    child.type({"chyby.txt", "vysledky.txt", "velky.txt", "velky.txt"});
    child.end_input();
    const Ended e = child.wait();
    EXPECT_EQ(e.status, 0);
    EXPECT_NE(e.err.find("velky.txt: je větší než 1 MB"), std::string::npos) << e.err;
    EXPECT_EQ(s.get("vysledky.txt"), "");
}

// ---- Standard descriptors closed when the program starts ----

void close_stdin() {
    close(0);
}
void close_stdout() {
    close(1);
}

TEST(ClosedAtStart, StandardInputIsAnEndedConsole) {
    test::Scratch s;
    Child child(s.dir(), {}, close_stdin);
    const Ended e = child.wait();
    EXPECT_EQ(e.status, 0);
    EXPECT_NE(e.out.find("Konec vstupu z konzoly"), std::string::npos);
}

TEST(ClosedAtStart, StandardOutputIsAWriteErrorWithAReason) {
    test::Scratch s;
    Child child(s.dir(), {}, close_stdout);
    child.type({"chyby.txt"});
    child.end_input();
    const Ended e = child.wait();
    EXPECT_EQ(e.status, 4);
    EXPECT_EQ(e.err, "kavron: standardní výstup nelze zapsat: výstup je uzavřen\n");
}

// The help goes where the console goes, in the console's code page (the output is no UTF-8
// terminal here).
TEST(CommandLine, HelpInTheConsolesCodePage) {
    test::Scratch s;
    Child child(s.dir(), {"--help"});
    const Ended e = child.wait();
    EXPECT_EQ(e.status, 0);
    EXPECT_EQ(e.out.rfind(cp852("Použití: kavron [--svg SOUBOR] [--json SOUBOR] [--analysis "
                                "SOUBOR] [--help] [--version]\n"),
                          0),
              0U)
        << e.out;
    EXPECT_EQ(e.out.find("\xC5\xBE"), std::string::npos);  // no UTF-8 ž
}

// ---- Reports that cannot be written whole ----

// Under a limit that the listing and the drawing fit and the JSON does not: the JSON is removed
// (a document cut short is none), and the reports written before it say how the run ended.
TEST(WriteFailure, ReportsUnderAFileSizeLimit) {
    const std::string input = slurp(kExamples / "mikrosit.txt");
    test::Scratch s;
    s.put("in.txt", input);
    Child child(s.dir(), {"--svg", "r.svg", "--analysis", "r.txt", "--json", "r.json"},
                limit_files<12000>);
    child.type(script_of("mikrosit"));
    child.end_input();
    const Ended e = child.wait();
    EXPECT_EQ(e.status, 4);
    EXPECT_NE(e.err.find("kavron: soubor r.json nelze zapsat"), std::string::npos) << e.err;
    EXPECT_FALSE(s.exists("r.json"));
    const std::string analysis = decode(s.get("r.txt"), CodePage::Cp1250);
    EXPECT_NE(analysis.find("(write_error, návratový kód 4)"), std::string::npos);
    EXPECT_EQ(analysis.find("výpočet doběhl"), std::string::npos);
    EXPECT_NE(s.get("r.svg").find("(write_error)</text>"), std::string::npos);
    EXPECT_EQ(s.get("r.svg").substr(s.get("r.svg").size() - 7), "</svg>\n");
}

// Under a limit that cuts the analysis: it keeps its whole lines; the drawing, written before,
// says how the run ended.
TEST(WriteFailure, AnalysisCutAtItsLastWholeLine) {
    const std::string input = slurp(kExamples / "mikrosit.txt");
    const InProcess ref(input, script_of("mikrosit"));
    test::Scratch s;
    s.put("in.txt", input);
    Child child(s.dir(), {"--svg", "r.svg", "--analysis", "r.txt"}, limit_files<6500>);
    child.type(script_of("mikrosit"));
    child.end_input();
    const Ended e = child.wait();
    EXPECT_EQ(e.status, 4);
    const std::string cut = s.get("r.txt");
    ASSERT_GT(cut.size(), 1000U);
    EXPECT_LE(cut.size(), 6500U);
    EXPECT_EQ(cut.substr(cut.size() - 2), "\r\n");
    EXPECT_EQ(cut.find("\r\n\r\n\r\n"), std::string::npos);
    EXPECT_NE(s.get("r.svg").find("(write_error)</text>"), std::string::npos);
    EXPECT_EQ(s.get("vysledky.txt"), ref.s.get("vysledky.txt"));
}

// ---- The tools as processes ----

const std::filesystem::path kCases = std::filesystem::path(KAVRON_TESTS_DIR) / "cases";

// A tool whose input is a pipe that its writer holds open: the tool waits in the read, and each
// interruption ends it with 128 + the signal, one line on standard error and none of its report
// files left (so that the same command can be run again).
struct ToolWait {
    const char* tool;
    int sig;
};

class ToolInterrupted : public ::testing::TestWithParam<ToolWait> {};

TEST_P(ToolInterrupted, EndsTheReadAndRemovesItsReports) {
    const ToolWait w = GetParam();
    const std::string tool = w.tool;
    test::Scratch s;
    std::vector<std::string> args = {tool};
    const std::string fifo = "in.fifo";
    if (tool == "design") {
        args.insert(args.end(), {"in.fifo", "--report", "z.txt", "--json", "z.json"});
    } else if (tool == "deformation") {
        s.put("e1.json", slurp(kCases / "deformation-example-pair" / "before" / "e1.json"));
        args.insert(args.end(), {"e1.json", "in.fifo", "--report", "z.txt", "--json", "z.json"});
    } else if (tool == "import") {
        args.insert(args.end(), {"in.fifo", "--output", "z.txt", "--json", "z.json"});
    } else {
        // The class's reference is the pipe.
        std::filesystem::copy(kExamples / "trida" / "skupina-a", s.dir() / "g");
        args.insert(args.end(), {"in.fifo", "g", "--report", "z.txt", "--csv", "z.csv"});
    }
    ASSERT_EQ(mkfifo((s.dir() / fifo).c_str(), 0600), 0);
    const int writer = open((s.dir() / fifo).c_str(), O_RDWR);  // a writer that stays
    ASSERT_GE(writer, 0);
    ASSERT_EQ(write(writer, "'Akce'\n", 7), 7);
    Child child(s.dir(), args);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!s.exists("z.txt") && std::chrono::steady_clock::now() < until) {
        usleep(10000);
    }
    ASSERT_TRUE(s.exists("z.txt"));
    usleep(200000);  // the tool reads the pipe now
    child.signal(w.sig);
    const Ended e = child.wait();
    close(writer);
    EXPECT_EQ(e.status, 128 + w.sig);
    EXPECT_FALSE(s.exists("z.txt"));
    EXPECT_FALSE(s.exists("z.json"));
    EXPECT_FALSE(s.exists("z.csv"));
    EXPECT_EQ(e.err.rfind("kavron " + tool + ": výpočet přerušen (", 0), 0U) << e.err;
    EXPECT_EQ(std::count(e.err.begin(), e.err.end(), '\n'), 1) << e.err;
}

INSTANTIATE_TEST_SUITE_P(
    Signals, ToolInterrupted,
    ::testing::Values(ToolWait{"design", SIGINT}, ToolWait{"design", SIGTERM},
                      ToolWait{"design", SIGHUP}, ToolWait{"deformation", SIGINT},
                      ToolWait{"deformation", SIGTERM}, ToolWait{"deformation", SIGHUP},
                      ToolWait{"check", SIGINT}, ToolWait{"check", SIGTERM},
                      ToolWait{"check", SIGHUP}, ToolWait{"import", SIGINT},
                      ToolWait{"import", SIGTERM}, ToolWait{"import", SIGHUP}));

void stdout_to_full_device() {
    const int fd = open("/dev/full", O_WRONLY);
    if (fd >= 0) {
        dup2(fd, 1);
        close(fd);
    }
}

// What a tool writes on the terminal (the class check's report, --help, --version) into an
// output that cannot take it: status 4 and the reason, as for the console.
struct Terminal {
    void (*setup)();
    const char* reason;
};

class ToolTerminal : public ::testing::TestWithParam<Terminal> {};

TEST_P(ToolTerminal, AFailedWriteIsStatusFourWithItsReason) {
    const Terminal t = GetParam();
    test::Scratch s;
    s.put("zadani.txt", slurp(kExamples / "trida" / "zadani.txt"));
    std::filesystem::copy(kExamples / "trida" / "skupina-a", s.dir() / "a");
    const std::vector<std::vector<std::string>> commands = {
        {"check", "zadani.txt", "a"}, {"--help"},          {"--version"},
        {"design", "--help"},         {"check", "--help"}, {"deformation", "--help"},
        {"import", "--help"}};
    for (const auto& args : commands) {
        Child child(s.dir(), args, t.setup);
        const Ended e = child.wait();
        EXPECT_EQ(e.status, 4) << args[0];
        EXPECT_EQ(e.err, std::string("kavron: standardní výstup nelze zapsat: ") + t.reason + "\n")
            << args[0];
    }
}

INSTANTIATE_TEST_SUITE_P(Outputs, ToolTerminal,
                         ::testing::Values(Terminal{stdout_to_full_device, "na disku není místo"},
                                           Terminal{close_stdout, "výstup je uzavřen"}));

// ---- Files of another user ----

// Run as a user without privileges (the tests may run as root, whom no mode stops).
void as_nobody() {
    if (getuid() == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) {
            _exit(125);
        }
    }
}

// A diagnostics file that cannot be read may hold anything: it is not replaced, the prompt asks
// again. A listing in a folder that cannot be written is refused with the reason.
TEST(OtherUsersFiles, UnreadableFileAndReadOnlyFolder) {
    test::Scratch s;
    s.put("in.txt", slurp(kExamples / "mikrosit.txt"));
    s.put("chyby.txt", "seminarni prace\n");
    chmod(s.dir().c_str(), 0777);
    chmod((s.dir() / "chyby.txt").c_str(), 0222);
    std::filesystem::create_directory(s.dir() / "ro");
    chmod((s.dir() / "ro").c_str(), 0555);
    // A copy of the program that the other user can run, wherever the build tree is.
    const std::filesystem::path program = s.dir() / "kavron";
    std::filesystem::copy_file(KAVRON_PROGRAM, program);
    chmod(program.c_str(), 0755);
    Child child(s.dir(), {}, as_nobody, true, program.string());
    child.type({"chyby.txt", "d.txt", "ro/l.txt", "l.txt", "in.txt"});
    child.end_input();
    const Ended e = child.wait();
    EXPECT_EQ(e.status, 0);
    chmod((s.dir() / "chyby.txt").c_str(), 0644);
    EXPECT_EQ(s.get("chyby.txt"), "seminarni prace\n");
    EXPECT_NE(e.out.find(cp852("chyby.txt                - tento soubor existuje a není chybový")),
              std::string::npos);
    EXPECT_NE(e.out.find(cp852("ro/l.txt                 - tento soubor již existuje")),
              std::string::npos);
    EXPECT_NE(e.err.find("kavron: soubor chyby.txt: existuje a není chybovým souborem"),
              std::string::npos)
        << e.err;
    EXPECT_NE(e.err.find("kavron: soubor ro/l.txt: nelze vytvořit: přístup odepřen"),
              std::string::npos)
        << e.err;
    EXPECT_TRUE(s.exists("l.txt"));
}

// The class check reads a folder's files one at a time: a folder of many large files that are
// none of the program's is checked in the memory of one of them.
TEST(CheckProcess, ManyUnknownFilesInBoundedMemory) {
    test::Scratch s;
    s.put("zadani.txt", slurp(kExamples / "trida" / "zadani.txt"));
    std::filesystem::copy(kExamples / "trida" / "skupina-a", s.dir() / "g");
    const std::string big(std::size_t{1} << 20, 'x');
    for (int k = 0; k < 80; ++k) {
        s.put("g/priloha" + std::to_string(k) + ".txt", big);
    }
    Child child(s.dir(), {"check", "zadani.txt", "g", "--csv", "t.csv"}, limit_memory_to<48>);
    const Ended e = child.wait();
    EXPECT_EQ(e.status, 0) << e.err;
    EXPECT_NE(s.get("t.csv").find("g;ano;"), std::string::npos) << s.get("t.csv");
}

// An input that the teacher's account cannot read is a finding with the reason, not a missing
// file.
TEST(CheckProcess, AnUnreadableInputIsNamedWithItsReason) {
    test::Scratch s;
    s.put("zadani.txt", slurp(kExamples / "trida" / "zadani.txt"));
    std::filesystem::copy(kExamples / "trida" / "skupina-a", s.dir() / "g");
    chmod(s.dir().c_str(), 0777);
    chmod((s.dir() / "g").c_str(), 0777);
    chmod((s.dir() / "g" / "mereni.txt").c_str(), 0);
    const std::filesystem::path program = s.dir() / "kavron";
    std::filesystem::copy_file(KAVRON_PROGRAM, program);
    chmod(program.c_str(), 0755);
    Child child(s.dir(), {"check", "zadani.txt", "g", "--csv", "t.csv"}, as_nobody, true,
                program.string());
    const Ended e = child.wait();
    chmod((s.dir() / "g" / "mereni.txt").c_str(), 0644);
    EXPECT_EQ(e.status, 1) << e.err;
    EXPECT_NE(s.get("t.csv").find("chybí vstupní soubor (nelze přečíst: mereni.txt (přístup "
                                  "odepřen))"),
              std::string::npos)
        << s.get("t.csv");
}

}  // namespace
}  // namespace kavron
