#pragma once
// Field data into an input file: a total station's records (Leica GSI-8 and GSI-16) or the
// program's own field book read word by word, the two faces paired, the sets reduced and
// averaged, checked as a surveyor checks a field book, reduced to the marks and into the local
// system, and the points numbered and placed.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/field.hpp"
#include "core/job.hpp"
#include "core/refusal.hpp"

namespace kavron {

// What a file is by its content.
enum class FieldFormat { Gsi8, Gsi16, Book, None };
FieldFormat format_of(std::string_view bytes);

// Reads a GSI file (GSI-8 and GSI-16 lines may mix) or a field book into `out` (its name set):
// the setups and readings, and every line that could not be read. A refusal when the file is
// neither.
std::optional<Refusal> read_field_file(const std::string& name, std::string_view bytes,
                                       FieldFile& out);

// The whole import: the files read already, the points of an input or plan file (nullptr:
// placed from the measurements), the options. A refusal (readings of no station, too many
// points or measurements, an id the points file lacks) leaves `out` incomplete.
std::optional<Refusal> import_field(std::vector<FieldFile> files, const Job* points,
                                    const ImportOptions& options, Import& out);

// The angle of a GSI word's value in gon, from its unit digit (2 gon, 3 decimal degrees,
// 4 sexagesimal degrees DDDMMSSs, 5 mil); false for a unit that is no angle's.
bool gsi_angle(char unit, long long value, double& gon);
// The length of a GSI word's value in metres, from its unit digit (0 mm, 1 1/1000 ft,
// 6 0.1 mm, 7 1/10000 ft, 8 0.01 mm); false for a unit that is no length's.
bool gsi_length(char unit, long long value, double& m);

}  // namespace kavron
