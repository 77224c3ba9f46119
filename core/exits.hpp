#pragma once
// The endings of the run: the end sequence, stops, pauses and every error exit. Each names its
// ending (core/endings.hpp) for the reports, writes its texts and closes the console as the
// endings table says.
#include <string_view>

#include "core/endings.hpp"
#include "core/run.hpp"

namespace kavron {

// Names the ending that begins here: its console text starts now.
void ending(Run& r, Ending e);
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
