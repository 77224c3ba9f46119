#pragma once
// The input data file: the action line, the a-priori standard deviations, the points and the
// three sections of measurements, read into the job. A read that fails ends the run with the
// input error, which the diagnostics file records with the text where the read stopped.
#include "core/exits.hpp"
#include "core/job.hpp"
#include "format/channels.hpp"

namespace kavron {

// The reader's channels and its count of reads.
struct Reading {
    InFile& inp;
    OutFile& diag;  // where an input error is recorded
    i16 NS = 0;     // reads so far (the first read of each line), named by the input error
};

// Reads the action line and the a-priori standard deviations.
Halt read_header(Reading& rd, Job& job);
// Reads the point section.
Halt read_points(Reading& rd, Job& job);
// Reads the directions, zenith angles and distances.
Halt read_measurements(Reading& rd, Job& job);

// The whole input file's bytes into the job, the three steps one after the other with nothing
// written between them (the tools, and a file recognised by its content): the ending of the step
// that met one, its input error recorded nowhere.
Halt read_job(std::string_view bytes, Job& job);

}  // namespace kavron
