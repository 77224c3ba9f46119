// The input data file: action line, a-priori standard deviations, points, directions, zenith
// angles and distances.
#include "input/input.hpp"

#include <algorithm>
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
void check_read(Reading& rd, Job& job, std::string_view what) {
    const long first = rd.inp.first_record(), last = rd.inp.last_record();
    const long end = section_end_within(rd.inp, first, last);
    if (end != 0) {
        job.warnings.push_back({static_cast<int>(first), "section_end_read_as_value",
                                "řádek " + std::to_string(first) + ": hodnoty " +
                                    std::string(what) + " se četly i z řádku " +
                                    std::to_string(end) +
                                    ", kde -1 měla ukončit oddíl; chybí na řádku " +
                                    std::to_string(first) + " hodnota (váha?)"});
    } else if (last > first) {
        job.warnings.push_back({static_cast<int>(first), "multi_line_read",
                                "řádek " + std::to_string(first) + ": hodnoty " +
                                    std::string(what) + " se četly i z řádku " +
                                    std::to_string(last) + "; chybí na řádku " +
                                    std::to_string(first) + " hodnota?"});
    }
    if (!rd.inp.leftover().empty()) {
        std::string rest = shortened(as_utf8(rd.inp.leftover(), CodePage::Cp1250), 40);
        job.warnings.push_back({static_cast<int>(last), "unread_values",
                                "řádek " + std::to_string(last) +
                                    ": za hodnotami zůstalo nepřečteno „" + rest +
                                    "“; desetinná čárka místo tečky, nebo hodnota navíc?"});
    }
}

// The input error: the count of reads NS on the console and in the diagnostics file, with the
// 40 characters that follow the failing read; when even they cannot be read, a plain message.
Stop input_error(Reading& rd) {
    // The legacy count NS counts reads, not lines: the reports give the line itself too.
    Stop s = stop(Ending::InputError);
    s.input_line = static_cast<int>(std::min(rd.inp.current_record(), rd.inp.records()));
    s.say({lit("  chyba ve čtení vstupních dat na řádku č.: "), rd.NS});
    std::string CHYBAR;
    if (rd.inp.text_read(CHYBAR, 40, 40) != ReadStatus::Ok) {
        s.ending = Ending::ReadError;
        s.say({lit("Chyba při čtení vstupního souboru")});
        return s;
    }
    using namespace fmt;
    rd.diag.write({T(" Chyba ve čtení vstupního souboru na řádku č.:"), I(4)}, {rd.NS});
    rd.diag.record(CHYBAR);
    return s;
}

// Reads one measurement line of a section: the station alone first, then the whole line.
Line read_measurement(Reading& rd, Job& job, MeasureVars& m, Halt& halt) {
    rd.NS = static_cast<i16>(rd.NS + 1);
    const ReadStatus first = rd.inp.list_read({var(m.ISR)});
    if (first == ReadStatus::End) {
        return Line::SectionEnd;
    }
    if (first == ReadStatus::Fail) {
        halt = input_error(rd);
        return Line::Stop;
    }
    if (m.ISR == -1) {
        return Line::SectionEnd;
    }
    rd.inp.step_back();
    if (rd.inp.list_read({var(m.ISR), var(m.ICR), var(m.SOR), var(m.VIR)}) != ReadStatus::Ok) {
        halt = input_error(rd);
        return Line::Stop;
    }
    check_read(rd, job, "měření");
    m.line = static_cast<int>(rd.inp.first_record());
    if (m.VIR < 0) {
        job.warnings.push_back({m.line, "negative_weight",
                                "řádek " + std::to_string(m.line) + ": záporná váha " +
                                    fixed_text(m.VIR) + " se počítá jako 1"});
    } else if (m.VIR < kMinWeight) {
        job.warnings.push_back({m.line, "small_weight",
                                "řádek " + std::to_string(m.line) + ": váha " + fixed_text(m.VIR) +
                                    " je menší než 0,001 a počítá se jako 1"});
    }
    if (m.VIR < kMinWeight) {
        m.VIR = 1.0;
    }
    return Line::Read;
}

// A code of -2 or less asks for the point database; a code above 7 has no meaning.
Halt check_code(i16 KOD) {
    if (KOD <= -2) {
        return stop_no_database();
    }
    if (KOD > 7) {
        return stop_unknown_code(KOD);
    }
    return std::nullopt;
}

// Stores a measurement of the kind at measurement index g.
void store(Job& job, Kind kind, int g, const MeasureVars& m) {
    job.PPP(1, g) = m.VIR;
    job.INS[g] = m.ISR;
    job.INC[g] = m.ICR;
    job.value[g] = m.SOR;
    switch (kind) {
        case Kind::Direction:
            job.IS = static_cast<i16>(job.IS + 1);
            break;
        case Kind::Zenith:
            job.IZ = static_cast<i16>(job.IZ + 1);
            break;
        case Kind::Distance:
            job.ID = static_cast<i16>(job.ID + 1);
            break;
    }
}

// A direction set whose station had a set before: its directions are not consecutive.
void check_set(Job& job, int g, const MeasureVars& m, const int* set_line) {
    if (g > 1 && job.INS[g - 1] == m.ISR) {
        for (int k = g - 1; k >= 1 && job.INS[k] == m.ISR; --k) {
            if (job.INC[k] == m.ICR) {
                job.warnings.push_back(
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
        if (job.INS[k] == m.ISR) {
            job.warnings.push_back(
                {m.line, "scattered_direction_set",
                 "řádek " + std::to_string(m.line) + ": směry ze stanoviska " +
                     std::to_string(m.ISR) + " nejdou za sebou (stanovisko už bylo na řádku " +
                     std::to_string(set_line[k]) + "); každá skupina má vlastní orientaci"});
            return;
        }
    }
}

// One section of measurements of a kind, from measurement index g + 1 on; g ends at the last.
Halt read_section(Reading& rd, Job& job, Kind kind, MeasureVars& m, int& g) {
    Halt halt;
    int lines[JR + 1] = {};
    for (;;) {
        const Line line = read_measurement(rd, job, m, halt);
        if (line == Line::Stop) {
            return halt;
        }
        if (line == Line::SectionEnd) {
            return std::nullopt;
        }
        if (g + 1 > JR) {
            return stop(Ending::TooManyMeasurements);
        }
        if (kind == Kind::Distance && job.ID + 1 > JD) {
            return stop(Ending::TooManyDistances);
        }
        if (kind == Kind::Direction) {
            check_set(job, g + 1, m, lines);
        }
        g = g + 1;
        lines[g] = m.line;
        store(job, kind, g, m);
    }
}

// Stores the point read on the line, after a warning when its number has a point already.
void store_point(Job& job, i16 ICB, i16 KOD, const double (&xyz)[3], int line, int* point_lines) {
    for (int k = 1; k <= job.IB; ++k) {
        if (job.IN[k] == ICB) {
            job.warnings.push_back({line, "duplicate_point",
                                    "řádek " + std::to_string(line) + ": číslo bodu " +
                                        std::to_string(ICB) + " už má bod na řádku " +
                                        std::to_string(point_lines[k]) +
                                        "; měření se vztahují k prvnímu z nich"});
        }
    }
    job.IB = static_cast<i16>(job.IB + 1);
    point_lines[job.IB] = line;
    job.IN[job.IB] = ICB;
    job.XO[job.IB] = xyz[0];
    job.YO[job.IB] = xyz[1];
    job.ZO[job.IB] = xyz[2];
    job.KOD1[job.IB] = KOD;
}

// The a-priori line; MOO below 0.01 counts as 1.
Halt read_apriori(Reading& rd, Job& job) {
    rd.NS = static_cast<i16>(rd.NS + 1);
    const ReadStatus s =
        rd.inp.list_read({var(job.UU), var(job.UD), var(job.UZ), var(job.MOO), var(job.MCH)});
    if (s != ReadStatus::Ok) {
        return input_error(rd);
    }
    if (job.MOO < 0) {
        const int line = static_cast<int>(rd.inp.last_record());
        job.warnings.push_back({line, "negative_apriori",
                                "řádek " + std::to_string(line) +
                                    ": záporná apriorní jednotková směrodatná odchylka " +
                                    fixed_text(job.MOO) + " se počítá jako 1"});
    }
    if (job.MOO < 0.01f) {
        job.MOO = 1.0f;
    }
    return std::nullopt;
}

// State of the point reader carried from line to line: a value that a slash leaves unread keeps
// the previous line's (the height excepted, which starts at 0 on every line).
struct PointVars {
    i16 ICB = 0, KOD = 0;
    double XR = 0.0, YR = 0.0, ZR = 0.0;
};

// One point line: the number alone, then with its code (checked), then the whole line.
Halt read_point(Reading& rd, Job& job, PointVars& v, int* point_lines, bool& section_end) {
    i16 &ICB = v.ICB, &KOD = v.KOD;
    double &XR = v.XR, &YR = v.YR, &ZR = v.ZR;
    ZR = 0.0;
    rd.NS = static_cast<i16>(rd.NS + 1);
    const ReadStatus first = rd.inp.list_read({var(ICB)});
    if (first == ReadStatus::End || (first == ReadStatus::Ok && ICB == -1)) {
        section_end = true;
        return std::nullopt;
    }
    if (first == ReadStatus::Fail) {
        return input_error(rd);
    }
    rd.inp.step_back();
    if (rd.inp.list_read({var(ICB), var(KOD)}) != ReadStatus::Ok) {
        return input_error(rd);
    }
    if (Halt h = check_code(KOD)) {
        return h;
    }
    rd.inp.step_back();
    if (rd.inp.list_read({var(ICB), var(KOD), var(XR), var(YR), var(ZR)}) != ReadStatus::Ok) {
        return input_error(rd);
    }
    check_read(rd, job, "bodu");
    const int line = static_cast<int>(rd.inp.first_record());
    // When the number and the code stood on different lines, the full read starts on the
    // code's line and takes another code: it is checked again before it is stored.
    if (Halt h = check_code(KOD)) {
        return h;
    }
    if (job.IB + 1 > JB) {
        return stop(Ending::TooManyPoints);
    }
    store_point(job, ICB, KOD, {XR, YR, ZR}, line, point_lines);
    return std::nullopt;
}

}  // namespace

Halt read_header(Reading& rd, Job& job) {
    if (rd.inp.had_byte_order_mark()) {
        job.warnings.push_back({1, "byte_order_mark",
                                "řádek 1: soubor začíná značkou BOM (UTF-8 z Poznámkového "
                                "bloku); čte se bez ní"});
    }
    rd.NS = static_cast<i16>(rd.NS + 1);
    job.ZAH.assign(80, ' ');  // a read that assigns nothing leaves the blanks
    const ReadStatus action = rd.inp.list_read({var(job.ZAH, 80)});
    if (const long from = rd.inp.quote_spanned(); from != 0) {
        job.warnings.push_back(
            {static_cast<int>(from), "unclosed_action_line",
             "řádek " + std::to_string(from) + ": text akce nemá na svém řádku uzavírací " +
                 (action == ReadStatus::Ok ? "znak; text pokračoval až na řádek " +
                                                 std::to_string(rd.inp.current_record())
                                           : std::string("znak, ani dál v souboru"))});
    }
    if (action != ReadStatus::Ok) {
        return input_error(rd);
    }
    job.action_read = true;
    return read_apriori(rd, job);
}

Halt read_points(Reading& rd, Job& job) {
    int point_lines[JB + 1] = {};
    PointVars v;
    for (bool section_end = false; !section_end;) {
        if (Halt h = read_point(rd, job, v, point_lines, section_end)) {
            return h;
        }
    }
    job.RC = 0.0;
    for (int i = 1; i <= job.IB; ++i) {
        job.RC = (std::fabs(job.YO[i]) + std::fabs(job.XO[i])) + job.RC;
    }
    job.RC = job.RC / static_cast<i16>(3 * job.IB);
    return std::nullopt;
}

Halt read_measurements(Reading& rd, Job& job) {
    MeasureVars m;
    int g = 0;
    // NR counts the measurements of the sections read to their end.
    for (const Kind kind : {Kind::Direction, Kind::Zenith, Kind::Distance}) {
        if (Halt h = read_section(rd, job, kind, m, g)) {
            return h;
        }
        job.NR = static_cast<i16>(g);
    }
    job.ISZ = static_cast<i16>(job.IS + job.IZ);
    return std::nullopt;
}

Halt read_job(std::string_view bytes, Job& job) {
    InFile inp;
    inp.load(bytes);
    OutFile none;
    Reading rd{inp, none};
    for (Halt (*step)(Reading&, Job&) : {read_header, read_points, read_measurements}) {
        if (Halt h = step(rd, job)) {
            return h;
        }
    }
    return std::nullopt;
}

}  // namespace kavron
