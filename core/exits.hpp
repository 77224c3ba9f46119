#pragma once
// The endings of the run: the end sequence, stops, pauses and every error exit. Each names its
// ending (core/endings.hpp), says its texts through say() and say_line(), which put each on the
// console and into the ending's text in the results (what the reports give as its message), and
// closes the console as the endings table says.
#include <initializer_list>
#include <string_view>

#include "core/endings.hpp"
#include "core/run.hpp"

namespace kavron {

// Names the ending that begins here: its text starts now.
void ending(Run& r, Ending e);
// A text of the ending: value-list records on the console (code page 852), and in its text.
void say(Run& r, std::initializer_list<fmt::Val> vals);
// A text of the ending (console bytes) on a line of its own, and in its text.
void say_line(Run& r, std::string_view bytes);
// Closes the run as the table says for the ending named last.
Flow close_run(Run& r);
// Names the ending and closes the run at once.
Flow end_with(Run& r, Ending e);

// Shows the text (bytes) on a line of its own and waits for one console line.
void pause(Run& r, std::string_view bytes);

Flow exit_input_error(Run& r);
Flow exit_no_database(Run& r);
Flow exit_point_not_listed(Run& r);
Flow exit_coincident(Run& r, int n1, int n2, int n3, int i1, int j1, int k1);
Flow exit_underdetermined(Run& r);
Flow exit_too_many_conditions(Run& r);
Flow exit_row_mismatch(Run& r);
Flow exit_weights_singular(Run& r);
Flow exit_qi_singular(Run& r);
Flow exit_solution_singular(Run& r);
Flow exit_dimensions(Run& r);
Flow exit_dimension_not_restored(Run& r);
Flow exit_no_convergence(Run& r);

}  // namespace kavron
