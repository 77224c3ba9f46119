#pragma once
// The listing, written from the results value: one writer per section, in the listing's order,
// and the console lines that accompany the results.
#include "core/results.hpp"
#include "format/channels.hpp"

namespace kavron::listing {

// Header and run data: the date, the action line and the a-priori standard deviations.
void header(OutFile& lst, const Results& res);
// The points as read (the console is told "Tisk souřadnic").
void point_table(OutFile& lst, Console& con, const Results& res);

// The console lines of the results: the redundancy, the unit standard deviation, the progress.
void results_console(Console& con, const Results& res);
// The unit standard deviation and its test.
void unit_sd(OutFile& lst, const Results& res);
// Directions with the summaries of their sets and of all of them.
void directions(OutFile& lst, const Results& res);
// Zenith angles (headed whenever there are directions or zenith angles).
void zenith_angles(OutFile& lst, const Results& res);
// Distances.
void distances(OutFile& lst, const Results& res);
// Adjusted coordinates with their shifts.
void coordinates(OutFile& lst, const Results& res);
// Error ellipsoids.
void ellipsoids(OutFile& lst, const Results& res);
// The unit standard deviation in use and the mean coordinate standard deviation.
void closing(OutFile& lst, const Results& res);

// The header of a kind of derived quantity, and one result row.
void derived_header(OutFile& lst, Derived kind);
void derived_row(OutFile& lst, const DerivedQuantity& q);

}  // namespace kavron::listing
