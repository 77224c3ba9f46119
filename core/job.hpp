#pragma once
// The job: what the input file says, as the input stage reads it and every later stage only
// reads it. Arrays are indexed from 1, as the job numbers its points and measurements; element 0
// is unused. Units: coordinates and distances in mm; directions and zenith angles in cc
// (centesimal seconds, 4 000 000 to the circle).
// Measurement index g: directions 1..IS, zenith angles IS+1..ISZ, distances ISZ+1..NR.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/constants.hpp"
#include "core/mat.hpp"

namespace kavron {

using i16 = std::int16_t;

enum class Kind { Direction, Zenith, Distance };

// Something in the input that was read otherwise than it looks.
struct Warning {
    int line;               // the input line it is about
    std::string_view kind;  // "multi_line_read", "unread_values", "duplicate_point",
                            // "scattered_direction_set", "byte_order_mark",
                            // "unclosed_action_line", "repeated_direction", "negative_weight",
                            // "negative_apriori", "section_end_read_as_value", "small_weight"
    std::string text;       // Czech, UTF-8
};

struct Job {
    // ---- The header ----
    // The four a-priori deviations are 4-byte reals, read and compared as the legacy program did
    // (constants.hpp says why); every computation takes them into 8 bytes.
    std::string ZAH;           // action line, 80 characters, blank padded (input bytes as read)
    float UU = 0;              // a-priori sd of a direction [cc]
    float UD = 0;              // a-priori sd of a distance [mm]
    float UZ = 0;              // a-priori sd of a zenith angle [cc]
    float MOO = 0;             // a-priori unit sd (below 0.01 replaced by 1)
    double MCH = 0;            // sd of the approximate coordinates [mm]; only the results use it
    bool action_read = false;  // the action line was read: the values above are the input's

    // ---- Points, 1..IB, as read ----
    i16 IB = 0;              // number of points (at most JB)
    i16 IN[JB + 1] = {};     // point numbers
    double XO[JB + 1] = {};  // approximate x [mm]
    double YO[JB + 1] = {};  // approximate y [mm]
    double ZO[JB + 1] = {};  // approximate z [mm]
    i16 KOD1[JB + 1] = {};   // point codes (the absolute value picks the datum role)
    double RC = 0;           // Helmert scale divisor: sum of |x|+|y| over the points / (3*IB)

    // ---- Measurements, by measurement index g ----
    i16 IS = 0;                 // number of directions
    i16 IZ = 0;                 // number of zenith angles
    i16 ID = 0;                 // number of distances (at most JD)
    i16 NR = 0;                 // measurements of the sections read to their end, IS+IZ+ID
    i16 ISZ = 0;                // IS+IZ
    i16 INS[JR + 2] = {};       // station number of measurement g (one spare: messages name g+1)
    i16 INC[JR + 2] = {};       // target number of measurement g
    double value[JR + 1] = {};  // the measured value of measurement g [cc or mm]
    Mat<1, JR> PPP;             // weight of measurement g (a weight below 0.001 counts as 1)

    std::vector<Warning> warnings;

    int stored() const { return IS + IZ + ID; }  // measurements stored, also of a cut section
    Kind kind(int g) const {
        return g <= IS ? Kind::Direction : g <= IS + IZ ? Kind::Zenith : Kind::Distance;
    }
};

}  // namespace kavron
