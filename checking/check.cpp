// The check of a class, group by group: the folder's files, the listing made again, the input
// against the reference input, the results against the reference's, and what was found.
#include "checking/check.hpp"

#include <algorithm>
#include <memory>

#include "checking/compare.hpp"
#include "checking/folders.hpp"
#include "checking/remake.hpp"
#include "core/endings.hpp"
#include "platform/platform.hpp"

namespace kavron {

namespace {

const std::vector<std::string> kNoQuantities = {"n", "n", "n", "n"};

// What the checks of the group found, in the verdict's order.
void findings(GroupCheck& g) {
    std::vector<Finding>& out = g.findings;
    const Found& f = g.files;
    if (!f.problem.empty()) {
        out.push_back(Finding::FolderProblem);
    } else {
        if (f.input.empty()) {
            out.push_back(Finding::NoInput);
        }
        if (f.listing.empty()) {
            out.push_back(Finding::NoListing);
        }
    }
    const bool saved_again = g.likely == Likely::Recoded || g.likely == Likely::LineEnds ||
                             g.likely == Likely::ByteOrderMark;
    if (saved_again) {
        out.push_back(Finding::ListingSavedAgain);
    } else if (g.genuine == false) {
        out.push_back(Finding::ListingNotGenuine);
    } else if (g.likely == Likely::WidePointNumbers) {
        out.push_back(Finding::DerivedNotCompared);
    }
    if (g.diagnostics == false) {
        out.push_back(Finding::DiagnosticsNotGenuine);
    }
    if (!g.input_problem.empty()) {
        out.push_back(Finding::InputProblem);
    } else if (!g.ending.empty()) {
        out.push_back(Finding::RunEnded);
    }
    if (!g.typos.empty()) {
        out.push_back(Finding::Typos);
    }
    if (!g.missing.empty()) {
        out.push_back(Finding::Missing);
    }
    if (!g.extra.empty()) {
        out.push_back(Finding::Extra);
    }
    if (!g.points.empty()) {
        out.push_back(Finding::Points);
    }
    if (g.m0_test_passed == false) {
        out.push_back(Finding::M0Failed);
    }
    if (g.suspect) {
        out.push_back(Finding::Suspect);
    }
    if (std::any_of(g.coordinates.begin(), g.coordinates.end(),
                    [](const CoordinateDifference& c) { return c.flagged; })) {
        out.push_back(Finding::Coordinates);
    }
    g.ok = out.empty();
}

// A name from the command line, taken in `dir` unless that is empty or the name absolute.
std::string in_dir(const std::filesystem::path& dir, const std::string& name) {
    return dir.empty() || std::filesystem::path(name).is_absolute() ? name : (dir / name).string();
}

// How a run that did not end normally ended, in words: the first line of its ending's text that
// says something (not a line of stars and spaced capitals), else the ending's name.
std::string ending_in_words(const Outcome& end) {
    std::size_t start = 0;
    const std::string& t = end.text;
    while (start < t.size()) {
        const std::size_t end = std::min(t.find('\n', start), t.size());
        std::string line = t.substr(start, end - start);
        const bool words = std::any_of(line.begin(), line.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || static_cast<unsigned char>(c) >= 0x80;
        });
        if (words) {
            return line;
        }
        start = end + 1;
    }
    return std::string(info(end.ending).kind);
}

void check_group(const std::string& folder, const std::filesystem::path& dir, const Results& ref,
                 const RunJob& run, const std::vector<std::string>& skip, GroupCheck& g) {
    g.folder = platform::shown_name(folder, false);
    FolderFiles f;
    look_into(in_dir(dir, folder), skip, f);
    g.files = f.found;
    if (!f.found.problem.empty() || f.found.input.empty()) {
        findings(g);
        return;
    }
    const auto res = std::make_unique<Results>();
    const Outcome end = remake(f, run, g, *res);
    g.input_read = end.input_line == 0;
    g.warnings = res->warnings;
    if (f.input.find_first_not_of(" \t\r\n") == std::string::npos) {
        g.input_read = false;
        g.input_problem = "vstupní soubor " + f.found.input + " je prázdný";
    } else if (!g.input_read) {
        g.input_problem = "vstup nelze přečíst: chyba na řádku " + std::to_string(end.input_line);
    } else {
        compare_points(ref, *res, g);
        compare_measurements(ref, *res, g);
    }
    if (end.ending == Ending::Normal && res->adjusted) {
        compare_results(ref, *res, g);
    } else if (g.input_read) {
        g.ending = ending_in_words(end);
    }
    findings(g);
}

}  // namespace

std::optional<std::string> check_class(const std::string& reference,
                                       const std::vector<std::string>& folders,
                                       const std::filesystem::path& dir, const RunJob& run,
                                       ClassCheck& out, const std::vector<std::string>& skip) {
    const std::string path = in_dir(dir, reference);
    std::string bytes;
    int error = 0;
    switch (platform::read_file(path, bytes, &error)) {
        case platform::ReadResult::Ok:
            break;
        case platform::ReadResult::TooLarge:
            return "zadání " + reference + " je větší než 1 MB";
        case platform::ReadResult::Cannot:
            return "zadání " + reference + " nelze přečíst: " + platform::reason_of(error);
    }
    const auto ref = std::make_unique<Results>();
    const RunOutcome made =
        run(bytes, DateTime{2000, 1, 1, 0, 0, 0}, kNoQuantities, "", reference, *ref);
    if (made.end.ending != Ending::Normal || !ref->adjusted) {
        return "zadání " + reference + " nelze vyrovnat: " + ending_in_words(made.end);
    }
    out.reference = platform::shown_name(reference, false);
    out.m0 = ref->m0_tested ? ref->m0 : ref->MO;
    out.warnings = ref->warnings;
    out.groups.clear();
    for (const std::string& folder : folders) {
        platform::check_interrupted();
        out.groups.emplace_back();
        check_group(folder, dir, *ref, run, skip, out.groups.back());
    }
    return std::nullopt;
}

}  // namespace kavron
