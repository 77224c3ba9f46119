#pragma once
// The reports beside the listing, written from the results value alone: the results as one JSON
// document and a plan drawing of the network (SVG), both UTF-8.
#include <string>

#include "core/check.hpp"
#include "core/deformation.hpp"
#include "core/field.hpp"
#include "core/plan.hpp"
#include "core/results.hpp"

namespace kavron {

// The action line as UTF-8: its bytes when they are valid UTF-8, else taken as code page 1250;
// trailing blanks dropped.
std::string action_text(std::string bytes);

// What the ending said: its note, or its text (the console's lines of the ending, without the
// closing KONEC); empty for the normal end.
std::string ending_message(const Outcome& end);

// The run's results and how it ended.
std::string json_report(const Results& res, const Outcome& end);
// What a drawing of a plan adds: its ellipses and z bars at 95 % (the factors on σ), the
// measurements whose redundancy number is below `min_r` marked weak, and the first suggestion
// (its two point numbers; 0 for none) dashed.
struct PlanDrawing {
    double ellipse_factor = kEllipse95;
    double bar_factor = kNormal975;
    double min_r = 0.3;
    int suggestion[2] = {0, 0};
};
std::string svg_report(const Results& res, const Outcome& end, const PlanDrawing* plan = nullptr);
// The reliability analysis for a student (code page 1250, CR LF); `listing` names the listing.
std::string analysis_report(const Results& res, const Outcome& end, const std::string& listing);

// The horizontal standard error ellipse from the x, y block of a covariance [mm²]: the semi-axes
// [mm] and the bearing of the major axis [gon, 0 to 200, clockwise from +x].
struct PlanEllipse {
    double a, b, bearing;
};
PlanEllipse plan_ellipse(double cxx, double cxy, double cyy);

// The design of a plan: the report (code page 1250, CR LF; `input` names the input file) and
// the JSON document (docs/json.md).
std::string design_report(const Plan& plan, const std::string& input);
std::string design_json(const Plan& plan);

// The comparison of two epochs: the report (code page 1250, CR LF), the JSON (docs/json.md) and
// the drawing of the displacements.
std::string deformation_report(const Deformation& df);
std::string deformation_json(const Deformation& df);
std::string deformation_svg(const Deformation& df);

// The check of a class: the report (code page 1250, CR LF), the class table for a spreadsheet
// (semicolons, UTF-8 with a byte-order mark, CR LF) and the JSON document (docs/json.md).
std::string check_report(const ClassCheck& c);
// What was found in a group, in Czech on one line ("v pořádku" when nothing).
std::string check_verdict(const GroupCheck& g);
std::string check_csv(const ClassCheck& c);
std::string check_json(const ClassCheck& c);

// The import of field data: the input file it makes (code page 1250, CR LF), its report (code
// page 1250, CR LF) and its JSON document (docs/json.md).
std::string import_input(const Import& imp);
std::string import_report(const Import& imp);
std::string import_json(const Import& imp);

}  // namespace kavron
