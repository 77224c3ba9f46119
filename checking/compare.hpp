#pragma once
// A group's input and results against the reference's: its measurements matched by kind,
// station and target (a likely typing error beyond kTypoFlag sds of the difference), its points,
// and its adjusted coordinates in sds of the difference.
#include "core/check.hpp"
#include "core/results.hpp"

namespace kavron {

// The points of the group's input against the reference input's.
void compare_points(const Results& ref, const Results& grp, GroupCheck& g);
// The measurements: missing, extra, and likely typing errors (a direction after its set's
// orientation).
void compare_measurements(const Results& ref, const Results& grp, GroupCheck& g);
// The results of a run that ended normally: m0, its test, the suspect, the coordinates.
void compare_results(const Results& ref, const Results& grp, GroupCheck& g);

// The list position of the point numbered n (0: none).
int position(const Results& res, int n);

}  // namespace kavron
