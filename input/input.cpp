// The input data file: action line, a-priori standard deviations, points, directions, zenith
// angles and distances.
#include "input/input.hpp"

#include <cmath>
#include <cstdio>

#include "core/exits.hpp"
#include "format/codepage.hpp"

namespace kavron {

using fmt::lit;

namespace {

// State of the measurement reader carried from line to line and from section to section.
struct MeasureVars {
    i16 ISR = 0, ICR = 0;
    double SOR = 0.0, VIR = 0.0;
    int line = 0;  // the input line of the measurement
};

enum class Line { Read, SectionEnd, Stop };

// A text cut to its first n characters, "..." marking the cut.
std::string shortened(const std::string& utf8, std::size_t n) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && chars++ == n) {
            return utf8.substr(0, i) + "...";
        }
    }
    return utf8;
}

// The record after `first`, up to `last`, whose first value is the end mark -1 of a section (0:
// none): a read that took it as a value, where a value was missing on its own line.
long section_end_within(const InFile& in, long first, long last) {
    for (long n = first + 1; n <= last; ++n) {
        const std::string_view line = in.record(n);
        const std::size_t a = line.find_first_not_of(" \t");
        if (a != std::string_view::npos && line.substr(a, 2) == "-1" &&
            (a + 2 == line.size() ||
             std::string_view(" \t,/").find(line[a + 2]) != std::string_view::npos)) {
            return n;
        }
    }
    return 0;
}

// A value for a warning, as the input may have given it.
std::string fixed_text(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%g", v);
    return b;
}

// Warns of a full read of a line that took values from the lines after it, or that left values
// on its line unread: both what a missing value or a decimal comma makes of a line.
void check_read(Run& r, std::string_view what) {
    const long first = r.inp.first_record(), last = r.inp.last_record();
    const long end = section_end_within(r.inp, first, last);
    if (end != 0) {
        r.res.warnings.push_back({static_cast<int>(first), "section_end_read_as_value",
                                  "řádek " + std::to_string(first) + ": hodnoty " +
                                      std::string(what) + " se četly i z řádku " +
                                      std::to_string(end) +
                                      ", kde -1 měla ukončit oddíl; chybí na řádku " +
                                      std::to_string(first) + " hodnota (váha?)"});
    } else if (last > first) {
        r.res.warnings.push_back({static_cast<int>(first), "multi_line_read",
                                  "řádek " + std::to_string(first) + ": hodnoty " +
                                      std::string(what) + " se četly i z řádku " +
                                      std::to_string(last) + "; chybí na řádku " +
                                      std::to_string(first) + " hodnota?"});
    }
    if (!r.inp.leftover().empty()) {
        std::string rest = shortened(as_utf8(r.inp.leftover(), CodePage::Cp1250), 40);
        r.res.warnings.push_back({static_cast<int>(last), "unread_values",
                                  "řádek " + std::to_string(last) +
                                      ": za hodnotami zůstalo nepřečteno „" + rest +
                                      "“; desetinná čárka místo tečky, nebo hodnota navíc?"});
    }
}

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
    check_read(r, "měření");
    m.line = static_cast<int>(r.inp.first_record());
    if (m.VIR < 0) {
        r.res.warnings.push_back({m.line, "negative_weight",
                                  "řádek " + std::to_string(m.line) + ": záporná váha " +
                                      fixed_text(m.VIR) + " se počítá jako 1"});
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
        ending(r, Ending::UnknownPointCode);
        say(r, {lit("Chyba ve vstupu, neznámý kód bodu"), KOD});
        return close_run(r);
    }
    return Flow::go();
}

// Stores a measurement of the kind at measurement index g (the task's arrays and the results).
void store(Run& r, Kind kind, int g, const MeasureVars& m) {
    Task& t = r.t;
    t.PP(g, g) = m.VIR;
    t.PPP(1, g) = m.VIR;
    t.INS[g] = m.ISR;
    t.INC[g] = m.ICR;
    switch (kind) {
        case Kind::Direction:
            t.IS = static_cast<i16>(t.IS + 1);
            t.SMO[g] = m.SOR;
            break;
        case Kind::Zenith:
            t.IZ = static_cast<i16>(t.IZ + 1);
            t.ZMO[t.IZ] = m.SOR;
            break;
        case Kind::Distance:
            t.ID = static_cast<i16>(t.ID + 1);
            t.DO[t.ID] = m.SOR;
            break;
    }
    r.res.observations[g] = {kind, m.ISR, m.ICR, m.SOR, m.VIR, 0.0};
    r.res.directions = t.IS;
    r.res.zeniths = t.IZ;
    r.res.distances = t.ID;
}

// A direction set whose station had a set before: its directions are not consecutive.
void check_set(Run& r, int g, const MeasureVars& m, int* set_line) {
    const Task& t = r.t;
    if (g > 1 && t.INS[g - 1] == m.ISR) {
        for (int k = g - 1; k >= 1 && t.INS[k] == m.ISR; --k) {
            if (t.INC[k] == m.ICR) {
                r.res.warnings.push_back(
                    {m.line, "repeated_direction",
                     "řádek " + std::to_string(m.line) + ": směr ze stanoviska " +
                         std::to_string(m.ISR) + " na " + std::to_string(m.ICR) +
                         " je ve skupině podruhé (poprvé na řádku " + std::to_string(set_line[k]) +
                         "); úhel mezi nimi je nulový, překlep v čísle cíle?"});
                break;
            }
        }
        return;
    }
    for (int k = 1; k < g; ++k) {
        if (t.INS[k] == m.ISR) {
            r.res.warnings.push_back(
                {m.line, "scattered_direction_set",
                 "řádek " + std::to_string(m.line) + ": směry ze stanoviska " +
                     std::to_string(m.ISR) + " nejdou za sebou (stanovisko už bylo na řádku " +
                     std::to_string(set_line[k]) + "); každá skupina má vlastní orientaci"});
            return;
        }
    }
}

// One section of measurements of a kind, from measurement index g + 1 on; g ends at the last.
Flow read_section(Run& r, Kind kind, MeasureVars& m, int& g) {
    Flow flow = Flow::go();
    int lines[JR + 1] = {};
    for (;;) {
        const Line line = read_measurement(r, m, flow);
        if (line == Line::Stop) {
            return flow;
        }
        if (line == Line::SectionEnd) {
            return Flow::go();
        }
        if (g + 1 > JR) {
            return end_with(r, Ending::TooManyMeasurements);
        }
        if (kind == Kind::Distance && r.t.ID + 1 > JD) {
            return end_with(r, Ending::TooManyDistances);
        }
        if (kind == Kind::Direction) {
            check_set(r, g + 1, m, lines);
        }
        g = g + 1;
        lines[g] = m.line;
        store(r, kind, g, m);
    }
}

// The job's header in the results, as far as it was read.
void header_read(Run& r) {
    const Task& t = r.t;
    r.res.action = t.ZAH;
    r.res.UU = t.UU;
    r.res.UD = t.UD;
    r.res.UZ = t.UZ;
    r.res.MOO = t.MOO;
    r.res.MCH = t.MCH;
}

// Stores the point read on the line (the task's arrays and the results), after a warning when
// its number has a point already.
void store_point(Run& r, const Point& p, int line, int* point_lines) {
    Task& t = r.t;
    for (int k = 1; k <= t.IB; ++k) {
        if (t.IN[k] == p.number) {
            r.res.warnings.push_back({line, "duplicate_point",
                                      "řádek " + std::to_string(line) + ": číslo bodu " +
                                          std::to_string(p.number) + " už má bod na řádku " +
                                          std::to_string(point_lines[k]) +
                                          "; měření se vztahují k prvnímu z nich"});
        }
    }
    t.IB = static_cast<i16>(t.IB + 1);
    point_lines[t.IB] = line;
    t.IN[t.IB] = static_cast<i16>(p.number);
    t.XO[t.IB] = p.approx[0];
    t.YO[t.IB] = p.approx[1];
    t.ZO[t.IB] = p.approx[2];
    t.KOD1[t.IB] = static_cast<i16>(p.code);
    r.res.points[t.IB] = p;
    r.res.points_read = t.IB;
}

}  // namespace

Flow read_header(Run& r) {
    Task& t = r.t;
    if (r.inp.had_byte_order_mark()) {
        r.res.warnings.push_back({1, "byte_order_mark",
                                  "řádek 1: soubor začíná značkou BOM (UTF-8 z Poznámkového "
                                  "bloku); čte se bez ní"});
    }
    t.NS = static_cast<i16>(t.NS + 1);
    t.ZAH.assign(80, ' ');  // a read that assigns nothing leaves the blanks
    const ReadStatus action = r.inp.list_read({var(t.ZAH, 80)});
    if (const long from = r.inp.quote_spanned(); from != 0) {
        r.res.warnings.push_back(
            {static_cast<int>(from), "unclosed_action_line",
             "řádek " + std::to_string(from) + ": text akce nemá na svém řádku uzavírací " +
                 (action == ReadStatus::Ok ? "znak; text pokračoval až na řádek " +
                                                 std::to_string(r.inp.current_record())
                                           : std::string("znak, ani dál v souboru"))});
    }
    if (action != ReadStatus::Ok) {
        return exit_input_error(r);
    }
    t.NS = static_cast<i16>(t.NS + 1);
    const ReadStatus s = r.inp.list_read({var(t.UU), var(t.UD), var(t.UZ), var(t.MOO), var(t.MCH)});
    if (s == ReadStatus::Ok) {
        if (t.MOO < 0) {
            const int line = static_cast<int>(r.inp.last_record());
            r.res.warnings.push_back({line, "negative_apriori",
                                      "řádek " + std::to_string(line) +
                                          ": záporná apriorní jednotková směrodatná odchylka " +
                                          fixed_text(t.MOO) + " se počítá jako 1"});
        }
        if (t.MOO < 0.01f) {
            t.MOO = 1.0f;
        }
        t.MO = t.MOO;
    }
    header_read(r);
    return s == ReadStatus::Ok ? Flow::go() : exit_input_error(r);
}

Flow read_points(Run& r) {
    Task& t = r.t;
    i16 ICB = 0, KOD = 0;
    double XR = 0.0, YR = 0.0, ZR = 0.0;
    int point_lines[JB + 1] = {};
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
        check_read(r, "bodu");
        const int line = static_cast<int>(r.inp.first_record());
        // When the number and the code stood on different lines, the full read starts on the
        // code's line and takes another code: it is checked again before it is stored.
        KAVRON_TRY(check_code(r, KOD));
        if (t.IB + 1 > JB) {
            return end_with(r, Ending::TooManyPoints);
        }
        store_point(r, {ICB, KOD, {XR, YR, ZR}, {}, {}, {}, {}}, line, point_lines);
    }
    t.NN = static_cast<i16>(3 * t.IB);
    t.RC = 0.0;
    for (int i = 1; i <= t.IB; ++i) {
        t.RC = (std::fabs(t.YO[i]) + std::fabs(t.XO[i])) + t.RC;
    }
    t.RC = t.RC / t.NN;
    return Flow::go();
}

Flow read_measurements(Run& r) {
    Task& t = r.t;
    MeasureVars m;
    int g = 0;
    // NR counts the measurements of the sections read to their end.
    const auto section_done = [&] {
        t.NR = static_cast<i16>(g);
        r.res.observations_read = g;
    };
    KAVRON_TRY(read_section(r, Kind::Direction, m, g));
    section_done();
    KAVRON_TRY(read_section(r, Kind::Zenith, m, g));
    section_done();
    KAVRON_TRY(read_section(r, Kind::Distance, m, g));
    section_done();
    t.ISZ = static_cast<i16>(t.IS + t.IZ);
    return Flow::go();
}

}  // namespace kavron
