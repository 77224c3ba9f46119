#pragma once
// The parts of the results JSON that the design's JSON shares (nlohmann-json, keys in order).
#include <nlohmann/json.hpp>

#include "core/results.hpp"

namespace kavron {

using Json = nlohmann::ordered_json;

// A kind of measurement as the documents name it: "direction", "zenith_angle", "distance".
const char* kind_key(Kind k);
// "job": the action, the a-priori deviations, the counts.
Json job_json(const Results& res);
// "points": number, code, approximate and adjusted coordinates, ellipsoid.
Json points_json(const Results& res);
// "warnings": the reader's, each with its line, kind and text.
Json warnings_json(const Results& res);

}  // namespace kavron
