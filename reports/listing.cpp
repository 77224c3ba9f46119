// The listing's sections, each written from the results value.
#include "reports/listing.hpp"

#include "core/listing_texts.hpp"

#include <cstdlib>

#include "format/codepage.hpp"

namespace kavron::listing {

using fmt::lit;
using fmt::raw;
using namespace fmt;

namespace {

// Labels of the point codes in the point table, by absolute code.
constexpr std::string_view kPOP[8] = {"",          "",          "směr",      "Helmert",
                                      "dx=0,dy=0", "dy=0,dz=0", "dx=0,dz=0", "dx=0,dy=0,dz=0"};

// One row of a residual table; with r = 0 the residual is not written.
void table_row(OutFile& lst, bool with_residual, const Observation& o) {
    const Layout row = {X(3), I(5), I(5), X(4), F(10, 1), F(10, 1), F(10, 1)};
    if (with_residual) {
        lst.write(row, {o.station, o.target, o.value, o.weight, o.residual});
    } else {
        lst.write(row, {o.station, o.target, o.value, o.weight});
    }
}

void summary(OutFile& lst, std::string_view label, const Summary& s, std::string_view unit,
             int empty_after) {
    Layout l = {E(), T(" [pv] = "), F(6, 1), T(label), F(6, 1), T(unit)};
    for (int k = 0; k < empty_after; ++k) {
        l.push_back(E());
    }
    lst.write(l, {s.pv, s.sd});
}

// Texts of the zenith-angle and distance tables.
struct Table {
    std::string_view title, columns, units, residual_unit, sd_label, unit;
};

// The rows of the measurements first+1..first+count with their summary.
void kind_table(OutFile& lst, const Results& res, const Table& tb, int first, int count,
                const Summary& s) {
    const bool with = res.redundancy != 0;
    if (with) {
        lst.write({E(), T(tb.title), E(), T(tb.columns), T("     oprava"), E(), T(tb.units),
                   T(tb.residual_unit), E()});
    } else {
        lst.write({E(), T(tb.title), E(), T(tb.columns), E(), T(tb.units), E()});
    }
    for (int k = first + 1; k <= first + count; ++k) {
        table_row(lst, with, res.observations[k]);
    }
    if (s.shown) {
        summary(lst, tb.sd_label, s, tb.unit, 1);
    }
}

}  // namespace

void header(OutFile& lst, const Results& res) {
    const DateTime& d = res.date;
    using namespace listing_text;
    lst.write({T(kHead), T(KAVRON_VERSION), T(kTitle), I(2), T("."), I(2), T("."), I(4), T(kTime),
               I(2), T(":"), I(2), T(":"), I(2), E(), E()},
              {d.day, d.month, d.year, d.hour, d.minute, d.second});
    lst.write({T(" Akce: "), A(), E()}, {raw(res.action)});
    const Layout row = {T(""), A(), F(6, 1)};
    lst.write(row, {lit(" směrodatná odchylka směru        [cc] ="), res.UU});
    lst.write(row, {lit(" směrodatná odchylka délky        [mm] ="), res.UD});
    lst.write(row, {lit(" směrodatná odchylka zen.úhlu     [cc] ="), res.UZ});
    lst.write(row, {lit(" směrodatná odchylka jednotková        ="), res.MOO});
    lst.write(row, {lit(" směrodatná odchylka souřadnicová [mm] ="), res.MCH});
    lst.write({});
}

void point_table(OutFile& lst, Console& con, const Results& res) {
    con.list({lit("Tisk souřadnic ")}, CodePage::Cp1250);
    lst.write({T(" S o u ř a d n i c e")});
    lst.write({T(" Číslo bodu"), X(8), T("X"), X(14), T("Y"), X(10), T("Z"), X(9), T("kód"),
               T("   podmínky umístění")});
    const Layout row = {X(3),     I(5), X(4), F(12, 1), X(3), F(12, 1),
                        F(12, 1), X(3), I(4), X(4),     A()};
    for (int i = 1; i <= res.points_read; ++i) {
        const Point& p = res.points[i];
        std::string pop = cp1250(kPOP[std::abs(p.code)]);
        pop.resize(14, ' ');
        lst.write(row, {p.number, p.approx[0], p.approx[1], p.approx[2], p.code, raw(pop)});
    }
}

void results_console(Console& con, const Results& res) {
    con.list({lit("Počet ndbyteč. měření = "), res.redundancy});
    if (res.m0_tested) {
        con.write({E(), T(" Směrodat. odchylka jednot.= "), F(6, 1), E(), E()}, {res.m0},
                  CodePage::Cp1250);
    }
    con.write({T("+"), X(35), T(" Již jsem dopočítal, pokračuje tisk a dialog")});
    con.list({lit("Tisk smeru ")});
    if (res.distances != 0) {
        con.list({lit("Tisk délek ")}, CodePage::Cp1250);
    }
    con.list({lit("Tisk výsledných souřadnic")}, CodePage::Cp1250);
}

void unit_sd(OutFile& lst, const Results& res) {
    if (!res.m0_tested) {
        return;
    }
    lst.write({E(), T(" Směrodat. odchylka jednot.= "), F(6, 1), E(), E()}, {res.m0});
    if (res.m0_warning) {
        lst.list({lit("!!! Měření neodpovídá směrodatné odchylce (požadované) !!!")});
    }
}

void directions(OutFile& lst, const Results& res) {
    if (res.directions == 0) {
        return;
    }
    const bool with = res.redundancy != 0;
    if (with) {
        lst.write({E(), T(" S m ě r y"), E(), T(" stanovisko cíl       směr       váha"),
                   T("     oprava"), E(), T("                      [cc]                [cc]"),
                   E()});
    } else {
        lst.write({E(), T(" S m ě r y"), E(), T(" stanovisko cíl       směr       váha"), E(),
                   T("                      [cc]"), E()});
    }
    for (int g = 1; g <= res.directions; ++g) {
        table_row(lst, with, res.observations[g]);
        if (res.set_after[g].shown) {
            summary(lst, " Směrod. odch. směru = ", res.set_after[g], " [cc]", 2);
        }
    }
    if (res.all_directions.shown) {
        lst.write({E(), T(" Pro všechny směry : ")});
        summary(lst, " Směrod. odch. směru = ", res.all_directions, " [cc]", 2);
    }
}

void zenith_angles(OutFile& lst, const Results& res) {
    if (res.directions + res.zeniths == 0) {
        return;
    }
    const Table zenith = {" Z e n i t o v é   ú h l y", " stanovisko cíl   zenitový úhel  váha",
                          "                      [cc]", "                [cc]",
                          " Směr.odch. zenit.úhlu = ",  " [cc]"};
    kind_table(lst, res, zenith, res.directions, res.zeniths, res.zenith_summary);
}

void distances(OutFile& lst, const Results& res) {
    if (res.distances == 0) {
        return;
    }
    const Table distance = {" D é l k y",
                            " stanovisko cíl       délka      váha",
                            "                       [mm]",
                            "                [mm]",
                            " Směrod. odch. délky = ",
                            " [mm]"};
    kind_table(lst, res, distance, res.directions + res.zeniths, res.distances,
               res.distance_summary);
}

void coordinates(OutFile& lst, const Results& res) {
    lst.write({E(), E(), E(), T("       V Ý S L E D N É   S O U Ř A D N I C E  "), E(), E(),
               T("  číslo      x          dx         y         dy           z      dz"), E(),
               T("  bodu      [mm]       [mm]       [mm]      [mm]         [mm]    [mm]"), E(),
               E()});
    const Layout row = {T(" "),   I(4),    T(" "),   F(13, 1), F(8, 1),
                        F(13, 1), F(8, 1), F(13, 1), F(8, 1)};
    for (int i = 1; i <= res.points_read; ++i) {
        const Point& p = res.points[i];
        lst.write(row, {p.number, p.adjusted[0], p.shift[0], p.adjusted[1], p.shift[1],
                        p.adjusted[2], p.shift[2]});
    }
}

void ellipsoids(OutFile& lst, const Results& res) {
    lst.write({E(), E(), E(), T("       P A R A M E T R Y   E L I P S O I D U   C H Y B"), E(), E(),
               T("  číslo      a          b          c           úhel stočení "), E(),
               T("  bodu      [mm]       [mm]       [mm]      alfa      beta     gama"), E(),
               T("                                            [g]       [g]      [g]"), E(), E()});
    const Layout row = {T(" "),   I(4), T(" "),  F(10, 1), F(10, 1),
                        F(10, 1), X(4), F(9, 2), F(9, 2),  F(9, 2)};
    for (int i = 1; i <= res.points_read; ++i) {
        const Point& p = res.points[i];
        for (const bool asymmetric : p.asymmetric) {
            if (asymmetric) {
                lst.list({lit("Chyba v RD()"), i});
            }
        }
        const Ellipsoid& e = p.ellipsoid;
        lst.write(row, {p.number, e.a, e.b, e.c, e.alfa, e.beta, e.gama});
    }
}

void closing(OutFile& lst, const Results& res) {
    lst.write({E(), T(" Uvažovaná směrodatná odchylka        ="), F(6, 1)}, {res.MO});
    lst.write({E(), T(" Průměrná směrod. odch. souřadnicová  ="), F(6, 1), T(" [mm]")}, {res.MXY});
}

namespace {

constexpr const std::string_view* kPRO = listing_text::kDistanceKind;
constexpr std::string_view kPROS[2] = {"prostorová", "vodorovná "};

}  // namespace

void derived_header(OutFile& lst, Derived kind) {
    const auto titled = [&](std::string_view title, std::string_view columns,
                            std::string_view units) {
        lst.write({E(), E(), T(title), E(), E(), T(columns), E(), T(units), E(), E()});
    };
    switch (kind) {
        case Derived::SpatialDistance:
        case Derived::HorizontalDistance: {
            const int FLAG = kind == Derived::HorizontalDistance ? 1 : 0;
            lst.write({E(), E(), T(listing_text::kDerivedLead), A(), T(listing_text::kDistanceTail),
                       E(), E(), T(" "), A(), T(" délka         d        směrod. odch. délky "),
                       E(), T("   mezi body             [mm]             [mm]"), E(), E()},
                      {lit(kPRO[FLAG]), lit(kPROS[FLAG])});
            break;
        }
        case Derived::HeightDifference:
            titled(listing_text::kHeightTitle,
                   "   převýšení              h       směrod. odch. převýšení ",
                   "   mezi body             [mm]             [mm]");
            break;
        case Derived::Angle:
            titled(listing_text::kAngleTitle,
                   "      Úhel mezi           Úhel     směrod. odch. úhlu ",
                   "        body              [cc]            [cc]");
            break;
        case Derived::ZenithAngle:
            titled(listing_text::kZenithTitle,
                   " zenitový úhel            z        směrod. odch. úhlu ",
                   "   mezi body             [cc]             [cc]");
            break;
    }
}

void derived_row(OutFile& lst, const DerivedQuantity& q) {
    if (q.kind == Derived::Angle) {
        lst.write({X(2), I(4), T(" -"), I(4), T(" -"), I(4), X(2), F(12, 1), X(6), F(9, 3)},
                  {q.points[0], q.points[1], q.points[2], q.value, q.sd});
    } else {
        lst.write({X(2), I(4), T(" -"), I(4), X(8), F(12, 1), X(6), F(9, 3)},
                  {q.points[0], q.points[1], q.value, q.sd});
    }
}

}  // namespace kavron::listing
