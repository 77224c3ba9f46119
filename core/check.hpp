#pragma once
// The check of a class: for each group's folder, whether its listing is what the program makes
// of its input, where its input differs from the reference input, and how its results compare
// with the reference's. Filled by checking/, written by reports/.
#include <optional>
#include <string>
#include <vector>

#include "core/job.hpp"

namespace kavron {

// A coordinate difference is flagged above this many sds of the difference (a class of thirty
// groups with 18 coordinates each would be flooded with chance flags at 2 or 3).
constexpr double kCoordinateFlag = 4.0;
// A measurement differing from the reference by more than this many a-priori sds of the
// difference is a likely typing error.
constexpr double kTypoFlag = 5.0;

// The files of a group's folder, recognised by their content (names as the folder holds them;
// empty: none).
struct Found {
    std::string input, listing, diagnostics;
    std::vector<std::string> other;    // the program's own reports (JSON, drawing, analysis)
    std::vector<std::string> unknown;  // anything else
    // Files that cannot be read, each with the system's reason: "mereni.txt (přístup odepřen)".
    std::vector<std::string> unreadable;
    std::string problem;  // Czech, UTF-8: why the folder cannot be checked
};

// The first line where the listing and the program's listing differ (1-based); the texts in
// UTF-8 without their line ends (empty past the end of a file).
struct FirstDifference {
    int line = 0;
    std::string listing, program;
};

// Why a listing is not the program's, where it can be told: another version of the program in
// its header, another input, one or two edited lines, derived quantities that one dialog cannot
// give, the listing cut short (it ends early), the listing saved again in UTF-8, with other line
// ends or with a byte-order mark (its content the program's); or the derived quantities name
// points whose numbers the listing prints as **** and cannot be told (the rest is compared).
enum class Likely {
    None,
    Version,
    Input,
    EditedLine,
    Dialog,
    Truncated,
    Recoded,
    LineEnds,
    ByteOrderMark,
    WidePointNumbers
};

// What the check of a group found, each a part of its verdict, in the verdict's order.
enum class Finding {
    FolderProblem,          // the folder cannot be checked (files.problem)
    NoInput,                // no input file (or none that can be read: files.unreadable)
    NoListing,              // no listing
    ListingSavedAgain,      // the program's listing saved again (likely: how)
    ListingNotGenuine,      // the listing is not what the program makes of the input
    DerivedNotCompared,     // the derived quantities could not be compared (likely)
    DiagnosticsNotGenuine,  // the diagnostics file is not the program's
    InputProblem,           // the input cannot be read (input_problem)
    RunEnded,               // the run did not end normally (ending)
    Typos,
    Missing,
    Extra,
    Points,
    M0Failed,
    Suspect,
    Coordinates,  // an adjusted coordinate differs from the reference's
};

// A measurement named by kind, station and target.
struct Named {
    Kind kind = Kind::Direction;
    int station = 0, target = 0;
};

// A measurement that differs from the reference's by more than kTypoFlag sds.
struct Typo {
    Named m;
    double value = 0, reference = 0;
    double difference = 0;  // value - reference, a direction after its set's orientation [cc|mm]
    double sd = 0;          // the a-priori sd of the difference
};

// A point that differs from the reference's: missing, extra, another code, or a datum point's
// coordinates (code other than 0) typed otherwise.
struct PointDifference {
    int number = 0;
    enum What { Missing, Extra, Code, Coordinates } what = Missing;
    int code = 0, reference_code = 0;
    double difference_mm = 0;  // Coordinates: the largest |difference|
};

// An adjusted coordinate against the reference's.
struct CoordinateDifference {
    int point = 0;
    int axis = 0;   // 0 x, 1 y, 2 z
    double mm = 0;  // group's minus reference's
    double sd = 0;  // sd of the difference from both runs' covariances [mm]
    bool has_sigma = false;
    double sigma = 0;  // |mm| / sd
    bool flagged = false;
};

struct GroupCheck {
    std::string folder;  // as given on the command line
    Found files;
    // The listing: genuine (true/false) or not checked (no listing or no input).
    std::optional<bool> genuine;
    FirstDifference first;
    Likely likely = Likely::None;
    std::string listing_version;        // the program's version the listing's header names
    std::optional<bool> diagnostics;    // the diagnostics file, when handed in
    FirstDifference diagnostics_first;  // where it differs
    // The input against the reference input.
    bool input_read = false;
    std::string input_problem;      // Czech, UTF-8: the input cannot be read (empty: it can)
    std::vector<Warning> warnings;  // the input was read otherwise than it looks
    std::vector<Typo> typos;
    std::vector<Named> missing, extra;
    std::vector<PointDifference> points;
    // The results (when the group's run ended normally).
    bool adjusted = false;
    std::string ending;  // Czech, UTF-8: how the run ended otherwise
    double m0 = 0;
    std::optional<bool> m0_test_passed;
    std::optional<Named> suspect;
    std::vector<CoordinateDifference> coordinates;
    bool has_max = false;
    double max_mm = 0;  // the largest |difference| [mm]
    bool has_max_sigma = false;
    double max_sigma = 0;  // the largest |difference| / sd
    std::vector<Finding> findings;
    bool ok = false;  // nothing found
};

struct ClassCheck {
    std::string reference;          // the reference input's name as given
    double m0 = 0;                  // the reference run's
    std::vector<Warning> warnings;  // the reference input's
    std::vector<GroupCheck> groups;
};

}  // namespace kavron
