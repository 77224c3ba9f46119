#pragma once
// The reports beside the listing, written from the results value alone: the results as one JSON
// document and a plan drawing of the network (SVG), both UTF-8.
#include <string>

#include "core/results.hpp"

namespace kavron {

// The action line as UTF-8: its bytes when they are valid UTF-8, else taken as code page 1250;
// trailing blanks dropped.
std::string action_text(std::string bytes);

// What the ending said: its note, or its text (the console's lines of the ending, without the
// closing KONEC); empty for the normal end.
std::string ending_message(const Results& res);

// `status` is the run's exit status.
std::string json_report(const Results& res, int status);
std::string svg_report(const Results& res);
// The reliability analysis for a student (code page 1250, CR LF); `listing` names the listing.
std::string analysis_report(const Results& res, int status, const std::string& listing);

// The horizontal standard error ellipse from the x, y block of a covariance [mm²]: the semi-axes
// [mm] and the bearing of the major axis [gon, 0 to 200, clockwise from +x].
struct PlanEllipse {
    double a, b, bearing;
};
PlanEllipse plan_ellipse(double cxx, double cxy, double cyy);

}  // namespace kavron
