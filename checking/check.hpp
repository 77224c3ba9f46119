#pragma once
// The check of a class: each group's folder (its input file, its listing and its diagnostics
// file, told apart by their content) against the program and against the reference input.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/check.hpp"
#include "core/results.hpp"

namespace kavron {

// One run of the program on files in memory (the driver's): the input's bytes, the date and
// time of the run, the console's answers, and the names the listing and the input file had;
// fills `res` and gives the listing's and the diagnostics file's bytes.
struct RunOutcome {
    std::string listing, diagnostics;
    int status = 0;
    Outcome end;  // how the run ended
};
using RunJob = std::function<RunOutcome(
    std::string_view input, const DateTime& date, const std::vector<std::string>& answers,
    const std::string& listing_name, const std::string& input_name, Results& res)>;

// What a file of a group's folder is, by its content.
enum class FileKind { Input, Listing, Diagnostics, Report, Unknown };
FileKind kind_of_file(std::string_view bytes);

// A listing's header: the program's version and the date and time of the run; false when the
// first line is not a listing's header.
bool listing_header(std::string_view listing, std::string& version, DateTime& date);

// The console answers that ask, in one dialog, for the derived quantities the listing holds, in
// its order; false when the listing's quantities cannot come from one dialog (the answers then
// ask for as many of them as fit). A point number printed as "****" (too wide for its field) is
// the one of `wide` (the job's points with such numbers); when `wide` holds none or several, the
// row cannot be told, and `unreadable` (when given) says so.
bool dialog_answers(std::string_view listing, std::vector<std::string>& answers,
                    const std::vector<int>& wide = {}, bool* unreadable = nullptr);

// Checks the folders (names as given, relative to `dir` unless absolute) against the reference
// input; the files `skip` (this run's reports) are no group's files. A refusal (the reference
// cannot be read or does not run to its end) is returned as one Czech line; a folder that cannot
// be checked gets its row.
std::optional<std::string> check_class(const std::string& reference,
                                       const std::vector<std::string>& folders,
                                       const std::filesystem::path& dir, const RunJob& run,
                                       ClassCheck& out, const std::vector<std::string>& skip = {});

}  // namespace kavron
