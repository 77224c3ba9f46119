#include "core/endings.hpp"

namespace kavron {

namespace {

constexpr EndingInfo kEndings[] = {
    {Ending::Normal, "normal", Close::Konec, {}, 0},
    {Ending::NoMeasurements, "no_measurements", Close::Konec, {}, 0},
    {Ending::ConsoleEnded, "console_ended", Close::StopText, "Konec vstupu z konzoly", 0},
    {Ending::DiagnosticsFile, "diagnostics_file", Close::Status, {}, 1},
    {Ending::InputError, "input_error", Close::Konec, {}, 0},
    {Ending::ReadError, "read_error", Close::Status, {}, 1},
    {Ending::NoDatabase, "no_database", Close::Konec, {}, 0},
    {Ending::UnknownPointCode, "unknown_point_code", Close::Konec, {}, 0},
    {Ending::TooManyPoints, "too_many_points", Close::StopText,
     "Chyba ve vstupu, max. počet bodů je 7", 0},
    {Ending::TooManyMeasurements, "too_many_measurements", Close::StopText,
     "Chyba ve vstupu, max. počet měření je 62", 0},
    {Ending::TooManyDistances, "too_many_distances", Close::StopText,
     "Chyba ve vstupu, max. počet délek je 50", 0},
    {Ending::TooManyEquations, "too_many_equations", Close::Konec, {}, 0},
    {Ending::TooManyDistanceEquations, "too_many_equations", Close::StopText,
     "Chyba ve vstupu, měř. délek může být max. 56", 0},
    {Ending::PointNotListed, "point_not_listed", Close::Konec, {}, 0},
    {Ending::CoincidentPoints, "coincident_points", Close::StopPlain, {}, 0},
    {Ending::MissingReferencePoint, "missing_reference_point", Close::Konec, {}, 0},
    {Ending::Underdetermined, "underdetermined", Close::StopPlain, {}, 0},
    {Ending::TooManyConditions, "too_many_conditions", Close::Konec, {}, 0},
    {Ending::RowMismatch, "row_mismatch", Close::Konec, {}, 0},
    {Ending::WeightsSingular, "weights_singular", Close::Konec, {}, 0},
    {Ending::EquationCofactorsSingular, "equation_cofactors_singular", Close::Konec, {}, 0},
    {Ending::SolutionSingular, "solution_singular", Close::Konec, {}, 0},
    {Ending::Dimensions, "dimensions", Close::Konec, {}, 0},
    {Ending::DimensionNotRestored, "dimension_not_restored", Close::Konec, {}, 0},
    {Ending::NoConvergence, "no_convergence", Close::Konec, {}, 0},
    {Ending::InternalError, "internal_error", Close::Status, {}, 3},
    {Ending::Interrupted, "interrupted", Close::Status, {}, 130},
    {Ending::WriteError, "write_error", Close::Status, {}, 4},
};

}  // namespace

const EndingInfo& info(Ending e) {
    for (const EndingInfo& i : kEndings) {
        if (i.ending == e) {
            return i;
        }
    }
    return kEndings[0];
}

std::span<const EndingInfo> all_endings() {
    return kEndings;
}

}  // namespace kavron
