#pragma once
// The import of field data: a total station's readings (Leica GSI or the program's field book)
// as read, the stations with their pairs of faces, sets and means, the reduced mark-to-mark
// measurements, the points, and every flag of the checks. Filled by fieldbook/, written by
// reports/. Angles in gon, lengths in metres as read; the measurements for the input file in the
// program's units (cc, mm).
#include <string>
#include <vector>

namespace kavron {

// Where a reading or a flag stands: the file as given and its physical line (1-based).
struct Place {
    std::string file;
    int line = 0;
};

// One reading as the field file holds it.
struct FieldReading {
    Place at;
    std::string station;  // the setup it belongs to ("" before any setup)
    std::string target;   // the point id (word 11, or the field book's target)
    bool has_hz = false, has_v = false, has_d = false, has_t = false;
    double hz = 0, v = 0;  // gon
    double d = 0;          // slope distance [m]
    double t = 0;          // target height [m]
    bool has_i = false;    // the instrument height of its setup, once the setups are known
    double i = 0;          // [m]
};

// A station setup: its point, the instrument height and the coordinates when recorded.
struct FieldSetup {
    Place at;
    std::string station;
    bool has_i = false;
    double i = 0;  // instrument height [m]
    bool has_xyz = false;
    double x = 0, y = 0, z = 0;  // [m]: x northing (word 85), y easting (84), z height (86)
};

// What a field file gives, in the order of its lines.
struct FieldFile {
    std::string name;
    std::string format;  // "GSI-8", "GSI-16", "zápisník"
    std::vector<FieldSetup> setups;
    std::vector<FieldReading> readings;  // each names its setup's station
    std::vector<Place> unread;           // lines that could not be read, and why
    std::vector<std::string> unread_why;
    int lines = 0;
};

// A check's finding.
enum class FlagKind {
    IndexError,          // a pair's index error departs from the station's median
    Collimation,         // a pair's 2c departs from the station's median
    SetClosure,          // a set's reduced direction departs from the mean of the sets
    SingleFace,          // a reading without its other face, used alone
    ReciprocalDistance,  // a distance measured both ways disagrees
    ReciprocalZenith,    // zenith angles both ways disagree
    UnreadLine,          // a line the importer cannot read
    Duplicate,           // a reading repeated (the same block twice)
    SingleTarget,        // a station with one target: its direction says nothing
    MissingHeight,       // an instrument or target height missing where a reduction needs it
    LeftOut,             // readings to points left out (--only)
};

struct FieldFlag {
    FlagKind kind;
    Place at;
    std::string station, target;  // names as in the field file
    double value = 0;             // what was found [cc, mm], where it has a value
    double tolerance = 0;         // the check's bound, same unit
    bool left_out = false;        // the readings it concerns were left out of the means
    std::string text;             // Czech, UTF-8: one line for the report
};

// A pair of faces (or a single face) of one target in one set.
struct FacePair {
    Place at;  // the face I reading (the face II one when alone)
    std::string target;
    int set = 0;  // 1-based
    bool face1 = false, face2 = false;
    // The readings of the faces [gon], where they are there.
    bool has_hz1 = false, has_v1 = false, has_hz2 = false, has_v2 = false;
    double hz1 = 0, v1 = 0, hz2 = 0, v2 = 0;
    double hz = 0, z = 0;      // the mean of the faces [gon]
    double index = 0, c2 = 0;  // index error and 2c [gon] (both faces only)
    bool has_d = false;
    double d = 0;  // mean slope distance [m]
    double t = 0;  // target height [m]
    bool has_t = false;
    double i = 0;  // the instrument height of its setup [m]
    bool has_i = false;
    bool left_out = false;  // a reading blunder: not in the means
    // Reduced to the marks (once the reduction ran): zenith angle [gon] and distance [m].
    bool reduced = false;
    double z_mark = 0, d_mark = 0;
};

// A reduced measurement of a station to a target: the mean over its sets, to the marks.
struct FieldMean {
    std::string target;
    bool has_direction = false, has_zenith = false, has_distance = false;
    double direction = 0;  // reduced to the first target [gon]
    double zenith = 0;     // mark to mark, in the flat local system [gon]
    double distance = 0;   // mark to mark [m]
    int direction_sets = 0, zenith_sets = 0, distance_sets = 0;
    double raw_zenith = 0, raw_distance = 0;  // the means as measured [gon, m]
    double correction = 0;                    // curvature and refraction on the zenith [gon]
    // A zenith angle that no distance reduces, reduced to the marks with the horizontal
    // distance between the approximate coordinates [m].
    bool zenith_by_coordinates = false;
    double coordinate_distance = 0;
};

struct FieldStation {
    std::string name;
    Place at;
    bool has_i = false;
    double i = 0;
    std::vector<FacePair> pairs;
    std::vector<FieldMean> means;  // in the order of the targets' first reading
    int sets = 0;
    bool single_target = false;  // its one direction is not written (it orients nothing)
    bool has_medians = false;    // a pair of both faces was read
    double median_index = 0, median_c2 = 0;  // [gon]
    // The spread of the sets: sd of one set's direction, zenith angle [gon] and distance [m]
    // (0 where it cannot be had).
    double sd_direction = 0, sd_zenith = 0, sd_distance = 0;
    bool has_sd_direction = false, has_sd_zenith = false, has_sd_distance = false;
};

// A point of the input file: its field id, number, code and approximate coordinates [mm].
struct FieldPoint {
    std::string name;  // the field id
    int number = 0;
    int code = 0;
    double x = 0, y = 0, z = 0;
    std::string source;  // "points" (from --points), "station", "polar", "intersection"
};

// A measurement of the input file, in the program's units.
struct FieldMeasurement {
    enum Kind { Direction, Zenith, Distance } kind = Direction;
    int station = 0, target = 0;  // point numbers
    std::string station_name, target_name;
    double value = 0;   // cc or mm
    double weight = 0;  // (unit sd / its a-priori sd)^2
    int sets = 0;
};

// The options of an import.
struct ImportOptions {
    std::vector<std::string> only;  // the points kept (empty: all)
    std::string station;            // the one station of a file without setups
    double refraction = 0.13;
    bool curvature = true;
    double sd_direction = 3.0;  // cc, of one set
    double sd_zenith = 10.0;    // cc
    double sd_distance = 1.0;   // mm
    std::string title;
};

struct Import {
    ImportOptions options;
    std::vector<FieldFile> files;
    std::vector<FieldStation> stations;
    std::vector<FieldPoint> points;
    std::vector<FieldMeasurement> measurements;  // directions, zenith angles, distances
    std::vector<FieldFlag> flags;
    int left_out_readings = 0;          // readings to points outside --only
    double largest_correction = 0;      // the largest curvature and refraction correction [cc]
    std::string largest_correction_at;  // "101 - 104"
    bool points_given = false;          // the points came from --points
    std::string points_file;
    std::string action;  // the action line's text
    std::string output;  // the input file written, as named
    // Tolerances of the checks [cc, mm].
    double tolerance_index = 0, tolerance_c2 = 0, tolerance_set = 0, tolerance_zenith_set = 0;
};

}  // namespace kavron
