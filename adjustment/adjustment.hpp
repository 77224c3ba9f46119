#pragma once
// The adjustment of a job: passes of the observation equations, the datum conditions and the
// constrained solution until the corrections settle, or an ending.
#include <optional>
#include <string>
#include <string_view>

#include "core/exits.hpp"
#include "core/job.hpp"
#include "core/solution.hpp"
#include "format/channels.hpp"

namespace kavron {

// The working matrices of the passes, sized by the capacities (used sizes: NM equations, NR
// measurements, NN unknowns, NP conditions). What the passes hand on is in the solution.
struct Work {
    Mat<JR, JR> PP;                   // weights of the measurements on the diagonal (g, g)
    Mat<JR, JR> PI;                   // PP inverse: cofactors of the measurements
    Mat<JM, 1> L;                     // misclosures, measured minus computed [cc or mm]
    Mat<JM, 1> AH;                    // A*H
    Mat<JM, 1> AHL;                   // A*H - L: residuals of the equations
    Mat<JR, JM> DT;                   // D transposed
    Mat<JR, JM> PIDT;                 // PI*DT
    Mat<JM, JM> Q;                    // weights of the equations, QI inverse
    Mat<kConditions, kUnknowns> G;    // datum condition rows
    Mat<kUnknowns, JM> AT;            // A transposed
    Mat<kUnknowns, JM> ATQ;           // AT*Q
    Mat<kUnknowns, kUnknowns> N;      // normal matrix ATQ*A
    Mat<kUnknowns, kConditions> GT;   // G transposed
    Mat<kUnknowns, kUnknowns> GTG;    // GT*G
    Mat<kUnknowns, kUnknowns> MI;     // N + GTG
    Mat<kUnknowns, kUnknowns> M;      // MI inverse
    Mat<kUnknowns, kUnknowns> MATQA;  // MATQ*A
    Mat<kUnknowns, kUnknowns> RW;     // work copy of R while fixed components are re-inserted
    Mat<1, kUnknowns> HT;             // H as a row
    Mat<1, JR> VT;                    // p*v by index g
    i16 IX = 0;                       // equations whose misclosure is stored
    i16 IXX = 0;                      // equations whose design-matrix row is stored
    i16 IXD = 0;                      // rows of D written; must equal NM
    // List positions of the last looked-up points: kept from pass to pass and from one table to
    // the next, as the coincident-points ending names them.
    i16 I1 = 0, J1 = 0, K1 = 0;
};

// A console for an adjustment that a tool or an analysis runs without the user: it reads nothing
// (a pause ends the adjustment) and keeps what is written to it.
struct KeptConsole : LineReader, ByteWriter {
    std::string text;
    std::optional<std::string> read_line() override { return std::nullopt; }
    void write(std::string_view bytes) override { text.append(bytes); }
};

// What the passes write: the pass counter, a look-up's complaint and the pauses on the console,
// the check tables of the first pass in the diagnostics file; and the listing's name, which the
// ending of an unknown point names.
struct PassChannels {
    Console& con;
    OutFile& diag;
    std::string_view listing;
};

// Adjusts the job into the solution (both freshly constructed, as the work).
Halt adjust(const Job& job, Solution& sol, Work& w, const PassChannels& io);
// The first pass alone, without its pass counter: the equations, the datum and the cofactors at
// the approximate coordinates, which stay the solution's coordinates (what a plan has before it
// is measured: nothing there depends on the measured values).
Halt adjust_once(const Job& job, Solution& sol, Work& w, const PassChannels& io);

}  // namespace kavron
