#pragma once
// The endings of a run as values. The step that meets a condition builds its ending: which one
// it is (core/endings.hpp) and its texts in console bytes, each perhaps followed by a wait for
// a console line; the driver writes it (driver/ending.hpp) to the console, from where the
// listing's run, the JSON and the analysis take its text.
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/endings.hpp"
#include "format/record.hpp"

namespace kavron {

// One text of an ending, in console bytes (code page 852).
struct Said {
    bool record;         // a list-directed record, whose first byte is the carriage control
    std::string bytes;   // otherwise a line of its own
    bool pause = false;  // the console waits for a line after it
};

struct Stop {
    Ending ending = Ending::Normal;
    std::vector<Said> said;
    int input_line = 0;  // an input error: the line of the file where the failing read stood

    // Value-list records (code page 852).
    Stop& say(std::initializer_list<fmt::Val> vals);
    // A line of its own.
    Stop& line(std::string_view bytes);
    // A line of its own, then a wait for one console line.
    Stop& pause(std::string_view bytes);
};

// What a step hands back: nothing when the run goes on, or the ending it met.
using Halt = std::optional<Stop>;

// The text of an ending and of what came on the console before it (`said`, console bytes), in
// UTF-8 on one line: what a tool says when a job ends so.
std::string refusal_text(const Stop& s, const std::string& said);

// An ending without texts of its own.
Stop stop(Ending e);

Stop stop_no_database();
Stop stop_unknown_code(int code);
Stop stop_point_not_listed(std::string_view listing);
Stop stop_coincident(int n1, int n2, int n3, int i1, int j1, int k1);
Stop stop_missing_reference_point();
Stop stop_too_many_equations();
Stop stop_underdetermined();
Stop stop_too_many_conditions();
Stop stop_row_mismatch();
// The weights' diagonal, 1..count, is shown element by element.
Stop stop_weights_singular(const double* diagonal, int count);
Stop stop_qi_singular();
Stop stop_solution_singular();
Stop stop_dimensions();
Stop stop_dimension_not_restored();
Stop stop_no_convergence();

}  // namespace kavron
