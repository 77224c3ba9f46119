#pragma once
// Every way a run can end, in one table: the name that the reports give it, how the console
// closes (the end sequence "KONEC", a stop with its own text, the plain stop text, or an exit
// status alone), the texts of the stops, and the exit status.
#include <span>
#include <string_view>

namespace kavron {

enum class Ending {
    Normal,                     // the dialog was left: KONEC
    NoMeasurements,             // the input holds no measurement
    ConsoleEnded,               // the console input ended in the file dialog
    DiagnosticsFile,            // the diagnostics file cannot be created
    InputError,                 // a read of the input failed
    ReadError,                  // ... and so did the echo read after it
    NoDatabase,                 // a point code of -2 or less
    UnknownPointCode,           // a point code above 7
    TooManyPoints,              // an eighth point
    TooManyMeasurements,        // a 63rd measurement
    TooManyDistances,           // a 51st distance
    TooManyEquations,           // a 57th angle or zenith-angle equation (after the pause NM > JM)
    TooManyDistanceEquations,   // a 57th equation among the distances
    PointNotListed,             // a measurement names a point the list lacks
    CoincidentPoints,           // two points of a measurement or condition coincide
    MissingReferencePoint,      // a direction condition without a point of code 7
    Underdetermined,            // negative redundancy
    TooManyConditions,          // more than 60 condition rows
    RowMismatch,                // rows of D differ from the equations
    WeightsSingular,            // the weights of the measurements cannot be inverted
    EquationCofactorsSingular,  // the cofactors of the equations cannot be inverted
    SolutionSingular,           // the normal equations with the datum cannot be inverted
    Dimensions,                 // the sizes after re-inserting the fixed components differ
    DimensionNotRestored,       // the number of unknowns was not restored
    NoConvergence,              // the passes do not settle
    InternalError,              // a write statement that does not fit its values
    Interrupted,                // the user interrupted the run (its status: the platform's)
    WriteError,                 // a file or the console could not be written
};

// How the console closes at the end of the run.
enum class Close {
    Konec,      // "KONEC" on a line of its own
    StopText,   // the stop's own text on a line of its own
    StopPlain,  // "Stop - Program terminated."
    Status,     // nothing more: the run ends with its status
};

struct EndingInfo {
    Ending ending;
    std::string_view kind;  // the name in the reports
    Close close;
    std::string_view stop_text;  // UTF-8, for Close::StopText (shown in code page 852)
    int status;
};

const EndingInfo& info(Ending e);
std::span<const EndingInfo> all_endings();

}  // namespace kavron
