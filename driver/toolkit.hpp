#pragma once
// What the console program's command line and the tools share: the option tables that build the
// parsing, the usage lines and --help; numbers as a user types them; the report files of a run,
// created new and kept or removed by one policy; an input file read into a job; and a tool's
// run, which ends in its result, a refusal, an interruption or a failed write of the terminal.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/job.hpp"
#include "core/refusal.hpp"
#include "format/channels.hpp"

namespace kavron {

// ---- Options ----

enum class Value {
    Flag,    // no value
    Report,  // a file the run creates new (never replacing one) and writes
    File,    // a file the run reads
    Number,  // a decimal number, with a decimal point or comma
    Points,  // point numbers separated by commas: 101,102,105
    Text,    // any text
};

struct Option {
    std::string_view name;  // "--limit"
    Value value;
    std::string_view meta;  // the value's name in the usage line ("MM"); empty for a flag
    std::string_view help;  // Czech: what it does, for --help; '\n' begins a line more
    // A number's range and the refusal's text when a value is out of it or no number.
    bool (*valid)(double) = nullptr;
    std::string_view message = {};
};

// A command: the console program (empty name) or a tool.
struct Command {
    std::string_view name = {};      // "design"
    std::string_view operands = {};  // the usage line's operands ("VSTUP")
    std::size_t min_operands = 0, max_operands = 0;
    std::string_view missing = {};  // Czech: the refusal when operands are missing
    std::string_view extra = {};    // Czech: the refusal when there is one too many
    std::span<const Option> options = {};
    std::string_view about = {};  // Czech: the paragraph of --help; '\n' begins a line
};

// The command line as parsed: the operands, and the options in the order given.
struct CommandLine {
    std::vector<std::string> operands;
    struct Given {
        const Option* option;
        std::string value;  // as typed
        double number = 0;  // a Number's value
        std::vector<int> points;
    };
    std::vector<Given> given;
    bool help = false, version = false;

    const Given* find(std::string_view name) const;
    bool has(std::string_view name) const { return find(name) != nullptr; }
    // The option's value as typed (empty: not given).
    std::string text(std::string_view name) const;
    double number(std::string_view name, double otherwise) const;
};

// The arguments from `first` on against the command's options. --help (or -h) anywhere asks for
// help, --version for the version (the console program). A refusal names what is wrong.
std::optional<Refusal> parse_command_line(const Command& c, const std::vector<std::string>& args,
                                          std::size_t first, CommandLine& out);

// "kavron design VSTUP [--report SOUBOR] ..." on one line.
std::string usage_line(const Command& c);
// The help of the console program and every tool, or of one tool.
std::string help_text(std::span<const Command* const> commands);
std::string help_text(const Command& c);

// A number as a user types it: digits with a decimal point or a decimal comma, a sign, an
// exponent; nothing else, nothing more.
std::optional<double> typed_number(std::string_view s);

// ---- Report files ----

// The files a run writes beside its console: created new before it computes anything (an
// existing file is never replaced, a file named twice is refused as such), written whole, and
// kept only when the run says so; whatever is not kept is removed when the value goes.
class ReportFiles {
public:
    // What a failed write leaves: nothing, or the file cut after its last whole line (a text
    // whose whole lines still say something).
    enum class Cut { Remove, LastWholeLine };

    explicit ReportFiles(std::filesystem::path dir);
    ~ReportFiles();
    ReportFiles(const ReportFiles&) = delete;
    ReportFiles& operator=(const ReportFiles&) = delete;

    // Creates the file that the option names (the name as given, relative to the folder), as the
    // next file; a refusal (and every file made before it removed) when it exists, is named by an
    // option already, or cannot be made.
    std::optional<Refusal> create(std::string_view option, const std::string& name,
                                  Cut cut = Cut::Remove);
    // Creates the Report options of the command line, in its order.
    std::optional<Refusal> create_all(const CommandLine& cl);

    // The file of the option (-1: none).
    int index_of(std::string_view option) const;
    bool has(std::string_view option) const { return index_of(option) >= 0; }
    std::size_t size() const { return files_.size(); }
    const std::string& name(std::size_t k) const { return files_[k].name; }
    const std::string& path(std::size_t k) const { return files_[k].path; }
    std::vector<std::string> paths() const;

    // Writes the text from the file's start (again after an earlier write). On failure `error`
    // has the reason and the file is cut as its rule says: removed, or cut at its last whole
    // line.
    bool write(std::size_t k, std::string_view text, int& error);
    // Whether the file holds a whole text of this run.
    bool written(std::size_t k) const { return files_[k].written; }
    bool open(std::size_t k) const { return files_[k].file != nullptr; }
    // Closes the file; on failure it is removed unless its rule keeps whole lines.
    bool close(std::size_t k, int& error);
    // Writes the text and closes the file: a refusal with status 4 when either fails.
    std::optional<Refusal> put(std::size_t k, std::string_view text);
    std::optional<Refusal> put(std::string_view option, std::string_view text);

    // The files stay as they are.
    void keep() { kept_ = true; }
    // Every file of the run is removed (closed first, so that every system can remove it).
    void remove_all();

private:
    struct File {
        std::string option, name, path;
        Cut cut;
        std::unique_ptr<RawFile> file;
        bool written = false;
    };
    void drop(File& f);
    std::filesystem::path dir_;
    std::vector<File> files_;
    bool kept_ = false;
};

// ---- Inputs ----

// The whole of a file named on the command line (relative to `dir`); a refusal says why it cannot
// be had: "`what` X je větší než 1 MB", "`what` X nelze přečíst: ...".
std::optional<Refusal> read_named_file(const std::filesystem::path& dir, const std::string& name,
                                       std::string& bytes, std::string_view what = "soubor");

// An input file of the program read into the job: a refusal when it cannot be read, when the
// reader ends in an error (its text and line) or when it holds no measurement.
std::optional<Refusal> read_input_job(const std::filesystem::path& dir, const std::string& name,
                                      Job& job);

// ---- A tool's run ----

// Runs a tool's work and ends it: its status (0 or 1), or a refusal (one line "kavron TOOL: ..."
// on `errors`, its status), an interruption (every report file removed, 128 + the signal) or a
// terminal that cannot be written (status 4, the reason on `errors`). `files` are the run's
// report files, removed unless the work kept them.
int run_tool_work(std::string_view tool, ByteWriter& errors, ReportFiles& files,
                  const std::function<std::optional<Refusal>(int& status)>& work);

// Writes texts for the terminal (help, version) and ends as a tool does when it cannot.
int write_terminal(ByteWriter& text, ByteWriter& errors, std::string_view utf8);

// What a failed write of the terminal says: "kavron: standardní výstup nelze zapsat: ...".
std::string terminal_failure(int error);

// The report for the terminal when no file is asked for: UTF-8 with LF.
std::string for_terminal(const std::string& cp1250_crlf);

}  // namespace kavron
