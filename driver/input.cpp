// The input data file: action line, a-priori standard deviations, points, directions, zenith
// angles and distances.
#include "driver/input.hpp"

#include <cmath>
#include <cstdlib>

#include "driver/exits.hpp"

namespace kavron {

using fmt::lit;
using fmt::raw;

namespace {

// Labels of the point codes in the point table, by absolute code.
constexpr std::string_view kPOP[8] = {"",          "",          "směr",      "Helmert",
                                      "dx=0,dy=0", "dy=0,dz=0", "dx=0,dz=0", "dx=0,dy=0,dz=0"};

std::string label(int code) {
    std::string s = cp1250(kPOP[std::abs(code)]);
    s.resize(14, ' ');
    return s;
}

// State of the measurement reader carried from line to line.
struct MeasureVars {
    i16 ISR = 0, ICR = 0;
    double SOR = 0.0, VIR = 0.0;
};

enum class Line { Read, SectionEnd, Stop };

// Reads one measurement line of a section: the station alone first, then the whole line.
Line read_measurement(Run& r, MeasureVars& m, Flow& flow) {
    Task& t = r.t;
    t.NS = static_cast<i16>(t.NS + 1);
    const ReadStatus first = r.inp.list_read({var(m.ISR)});
    if (first == ReadStatus::End) {
        return Line::SectionEnd;
    }
    if (first == ReadStatus::Fail) {
        flow = exit_input_error(r);
        return Line::Stop;
    }
    if (m.ISR == -1) {
        return Line::SectionEnd;
    }
    r.inp.step_back();
    if (r.inp.list_read({var(m.ISR), var(m.ICR), var(m.SOR), var(m.VIR)}) != ReadStatus::Ok) {
        flow = exit_input_error(r);
        return Line::Stop;
    }
    if (m.VIR < kMinWeight) {
        m.VIR = 1.0;
    }
    return Line::Read;
}

// A code of -2 or less asks for the point database; a code above 7 has no meaning.
Flow check_code(Run& r, i16 KOD) {
    if (KOD <= -2) {
        return exit_no_database(r);
    }
    if (KOD > 7) {
        ending(r, "unknown_point_code");
        r.con.list({lit("Chyba ve vstupu, neznámý kód bodu"), KOD});
        return end_sequence(r);
    }
    return Flow::go();
}

Flow too_many_measurements(Run& r) {
    ending(r, "too_many_measurements");
    return stop_text(r, cp852("Chyba ve vstupu, max. počet měření je 62"));
}

}  // namespace

Flow read_header(Run& r) {
    Task& t = r.t;
    t.NS = static_cast<i16>(t.NS + 1);
    if (r.inp.list_read({var(t.ZAH, 80)}) != ReadStatus::Ok) {
        return exit_input_error(r);
    }
    t.NS = static_cast<i16>(t.NS + 1);
    if (r.inp.list_read({var(t.UU), var(t.UD), var(t.UZ), var(t.MOO), var(t.MCH)}) !=
        ReadStatus::Ok) {
        return exit_input_error(r);
    }
    if (t.MOO < 0.01f) {
        t.MOO = 1.0f;
    }
    t.MO = t.MOO;
    return Flow::go();
}

Flow read_points_and_measurements(Run& r) {
    using namespace fmt;
    Task& t = r.t;

    // Points.
    i16 ICB = 0, KOD = 0;
    double XR = 0.0, YR = 0.0, ZR = 0.0;
    for (;;) {
        t.NS = static_cast<i16>(t.NS + 1);
        ZR = 0.0;
        const ReadStatus first = r.inp.list_read({var(ICB)});
        if (first == ReadStatus::End) {
            break;
        }
        if (first == ReadStatus::Fail) {
            return exit_input_error(r);
        }
        if (ICB == -1) {
            break;
        }
        r.inp.step_back();
        if (r.inp.list_read({var(ICB), var(KOD)}) != ReadStatus::Ok) {
            return exit_input_error(r);
        }
        KAVRON_TRY(check_code(r, KOD));
        r.inp.step_back();
        if (r.inp.list_read({var(ICB), var(KOD), var(XR), var(YR), var(ZR)}) != ReadStatus::Ok) {
            return exit_input_error(r);
        }
        // When the number and the code stood on different lines, the full read starts on the
        // code's line and takes another code: it is checked again before it is stored.
        KAVRON_TRY(check_code(r, KOD));
        if (t.IB + 1 > JB) {
            ending(r, "too_many_points");
            return stop_text(r, cp852("Chyba ve vstupu, max. počet bodů je 7"));
        }
        t.IB = static_cast<i16>(t.IB + 1);
        t.IN[t.IB] = ICB;
        t.XO[t.IB] = XR;
        r.rep.X0[t.IB] = XR;
        r.rep.Y0[t.IB] = YR;
        r.rep.Z0[t.IB] = ZR;
        t.YO[t.IB] = YR;
        t.ZO[t.IB] = ZR;
        t.KOD1[t.IB] = KOD;
    }
    t.NN = static_cast<i16>(3 * t.IB);
    t.RC = 0.0;
    for (int i = 1; i <= t.IB; ++i) {
        t.RC = (std::fabs(t.YO[i]) + std::fabs(t.XO[i])) + t.RC;
    }
    t.RC = t.RC / t.NN;

    // Point table.
    r.con.list({lit("Tisk souřadnic ")}, CodePage::Cp1250);
    r.lst.write({T(" S o u ř a d n i c e")});
    r.lst.write({T(" Číslo bodu"), X(8), T("X"), X(14), T("Y"), X(10), T("Z"), X(9), T("kód"),
                 T("   podmínky umístění")});
    const Layout row = {X(3),     I(5), X(4), F(12, 1), X(3), F(12, 1),
                        F(12, 1), X(3), I(4), X(4),     A()};
    for (int i = 1; i <= t.IB; ++i) {
        const std::string pop = label(t.KOD1[i]);
        r.lst.write(row, {t.IN[i], t.XO[i], t.YO[i], t.ZO[i], t.KOD1[i], raw(pop)});
    }

    // Directions.
    MeasureVars m;
    Flow flow = Flow::go();
    for (;;) {
        const Line line = read_measurement(r, m, flow);
        if (line == Line::Stop) {
            return flow;
        }
        if (line == Line::SectionEnd) {
            break;
        }
        if (t.IS + 1 > JR) {
            return too_many_measurements(r);
        }
        t.IS = static_cast<i16>(t.IS + 1);
        const int g = t.IS;
        t.PP(g, g) = m.VIR;
        t.PPP(1, g) = m.VIR;
        t.INS[g] = m.ISR;
        t.INC[g] = m.ICR;
        t.SMO[g] = m.SOR;
        t.CS[g] = m.ISR;
        t.CC[g] = m.ICR;
        t.SO[g] = m.SOR;
    }

    // Zenith angles.
    t.NR = t.IS;
    int g = t.IS;
    for (;;) {
        const Line line = read_measurement(r, m, flow);
        if (line == Line::Stop) {
            return flow;
        }
        if (line == Line::SectionEnd) {
            break;
        }
        if (g + 1 > JR) {
            return too_many_measurements(r);
        }
        g = g + 1;
        t.IZ = static_cast<i16>(t.IZ + 1);
        t.PP(g, g) = m.VIR;
        t.PPP(1, g) = m.VIR;
        t.INS[g] = m.ISR;
        t.INC[g] = m.ICR;
        t.ZMO[t.IZ] = m.SOR;
        t.CS[g] = m.ISR;
        t.CC[g] = m.ICR;
        t.ZZ[t.IZ] = m.SOR;
    }

    // Distances.
    t.NR = static_cast<i16>(g);
    for (;;) {
        const Line line = read_measurement(r, m, flow);
        if (line == Line::Stop) {
            return flow;
        }
        if (line == Line::SectionEnd) {
            break;
        }
        if (g + 1 > JR) {
            return too_many_measurements(r);
        }
        if (t.ID + 1 > JD) {
            ending(r, "too_many_distances");
            return stop_text(r, cp852("Chyba ve vstupu, max. počet délek je 50"));
        }
        g = g + 1;
        t.INS[g] = m.ISR;
        t.INC[g] = m.ICR;
        t.ID = static_cast<i16>(t.ID + 1);
        t.DO[t.ID] = m.SOR;
        t.PP(g, g) = m.VIR;
        t.PPP(1, g) = m.VIR;
    }
    t.NR = static_cast<i16>(g);
    t.ISZ = static_cast<i16>(t.IS + t.IZ);
    t.ISN1 = static_cast<i16>(t.IS + 1);
    t.IZN1 = static_cast<i16>(t.IS + t.IZ + 1);
    return Flow::go();
}

}  // namespace kavron
