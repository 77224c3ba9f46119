#pragma once
// Runs the whole program in-process with a scripted console, a fixed clock and a scratch folder.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <memory>

#include "driver/ending.hpp"
#include "driver/run.hpp"
#include "input/input.hpp"

namespace kavron::test {

// A scratch folder removed at the end of the test.
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::filesystem::path& dir() const { return dir_; }
    void put(const std::string& name, const std::string& bytes) const;
    std::string get(const std::string& name) const;  // empty when missing
    bool exists(const std::string& name) const;

private:
    std::filesystem::path dir_;
};

class ScriptReader : public LineReader {
public:
    explicit ScriptReader(std::vector<std::string> lines) : lines_(std::move(lines)) {}
    std::optional<std::string> read_line() override;
    std::size_t taken() const { return next_; }

private:
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
};

class StringWriter : public ByteWriter {
public:
    void write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

// The bytes of a file (empty when it cannot be read), and a text's lines without their ends.
std::string slurp(const std::filesystem::path& p);
std::vector<std::string> lines_of(const std::string& text);

// 6 May 2026, 9:05:03: single digits everywhere but the year.
DateTime fixed_clock();

// A console run of the input (as in.txt) with its console script and --json: the JSON document's
// text (empty when none was written) and the run's status. A script without file names gets the
// dialog's three (chyby.txt, vysledky.txt, in.txt) before it; the extra arguments go on the
// command line.
struct JsonRun {
    std::string json;
    int status = -1;
};
JsonRun run_with_json(const std::string& input, std::vector<std::string> script,
                      const std::vector<std::string>& extra = {});

// A job read by the input stage, ready for the stages after it: its files in a scratch folder
// (out.txt, err.txt), a console with the given answers.
struct LoadedJob {
    Scratch s;
    ScriptReader in;
    StringWriter out;
    Console con{in, out};
    OutFile lst, diag;
    InFile inp;
    Reading rd{inp, diag};
    std::unique_ptr<Job> job = std::make_unique<Job>();
    bool ok = false;

    explicit LoadedJob(const std::string& text, std::vector<std::string> answers = {});
};

}  // namespace kavron::test
