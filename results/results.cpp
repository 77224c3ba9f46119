// Accuracy statistics, residual tables, adjusted coordinates and error ellipsoids.
#include "results/results.hpp"

#include <cmath>

namespace kavron {

using fmt::lit;

namespace {

constexpr double kSymmetry = 0.009999999776482582;     // 0.01 as a 4-byte real
constexpr double kDegenerate = 9.999999747378752e-05;  // 1.0e-4 as a 4-byte real
constexpr double kPi = kPi4;
constexpr double kGon = kGon4;

// One row of a residual table; with r = 0 the residual is not supplied and not written.
void table_row(Run& r, bool with_residual, int station, int target, double value, double weight,
               double residual) {
    using namespace fmt;
    const Layout row = {X(3), I(5), I(5), X(4), F(10, 1), F(10, 1), F(10, 1)};
    if (with_residual) {
        r.lst.write(row, {station, target, value, weight, residual});
    } else {
        r.lst.write(row, {station, target, value, weight});
    }
}

void summary(Run& r, std::string_view label, double pv, double m, std::string_view unit,
             int empty_after) {
    using namespace fmt;
    Layout l = {E(), T(" [pv] = "), F(6, 1), T(label), F(6, 1), T(unit)};
    for (int k = 0; k < empty_after; ++k) {
        l.push_back(E());
    }
    r.lst.write(l, {pv, m});
}

// Texts of the zenith-angle and distance tables.
struct Table {
    std::string_view title, columns, units, residual_unit, sd_label, unit;
};

// The rows of the measurements first+1..first+count (values[1..count]) with their summary.
void kind_table(Run& r, bool res, const Table& tb, int first, int count, const double* values) {
    using namespace fmt;
    Task& t = r.t;
    if (res) {
        r.lst.write({E(), T(tb.title), E(), T(tb.columns), T("     oprava"), E(), T(tb.units),
                     T(tb.residual_unit), E()});
    } else {
        r.lst.write({E(), T(tb.title), E(), T(tb.columns), E(), T(tb.units), E()});
    }
    double SS1 = 0, SS2 = 0;
    int used = 0;
    for (int i = 1; i <= count; ++i) {
        const int k = first + i;
        const double v = t.V(k, 1), p = t.PPP(1, k);
        table_row(r, res, t.INS[k], t.INC[k], values[i], p, v);
        if (res && std::fabs(v) > kResidualFloor) {
            ++used;
            SS1 += v * p;
            SS2 += v * v * p;
        }
    }
    if (res && count >= 2 && used > 1) {
        SS2 = std::sqrt(SS2 / (used - 1));
        summary(r, tb.sd_label, SS1, SS2, tb.unit, 1);
    }
}

void statistics(Run& r) {
    using namespace fmt;
    Task& t = r.t;
    const int rr = t.NM - t.NN + t.NP;
    r.con.list({lit("Počet ndbyteč. měření = "), static_cast<i16>(rr)});
    r.rep.redundancy = rr;
    if (rr >= 1) {
        const double m0sq = t.VVT(1, 1) / rr;
        t.MO = std::sqrt(m0sq);
        r.rep.m0 = t.MO;
        r.rep.m0_tested = true;
        const Layout m0 = {E(), T(" Směrodat. odchylka jednot.= "), F(6, 1), E(), E()};
        r.lst.write(m0, {t.MO});
        r.con.write(m0, {t.MO}, CodePage::Cp1250);
        const double c = 2.0 / std::sqrt(static_cast<double>(rr));
        const double u = (1.0 + c) * t.MOO;
        const float u4 = static_cast<float>(u);
        if (u4 > t.MO) {
            t.MO = t.MOO;
        }
        r.rep.m0_passed = !(u < t.MO);
        if (u < t.MO) {
            r.lst.list({lit("!!! Měření neodpovídá směrodatné odchylce (požadované) !!!")});
        }
    }
    r.con.write({T("+"), X(35), T(" Již jsem dopočítal, pokračuje tisk a dialog")});
    if (rr < 1) {
        t.MO = t.MOO;
    }

    // Every point takes the last corrections.
    MADSUB(t.HR, t.H, t.HR, t.NN, 1);
    for (int i = 1; i <= t.IB; ++i) {
        t.XO[i] += t.H(3 * i - 2, 1);
        t.YO[i] += t.H(3 * i - 1, 1);
        t.ZO[i] += t.H(3 * i, 1);
    }

    const bool res = rr != 0;

    // Directions with the summaries of their sets.
    r.con.list({lit("Tisk smeru ")});
    if (t.IS != 0) {
        if (res) {
            r.lst.write({E(), T(" S m ě r y"), E(), T(" stanovisko cíl       směr       váha"),
                         T("     oprava"), E(), T("                      [cc]                [cc]"),
                         E()});
        } else {
            r.lst.write({E(), T(" S m ě r y"), E(), T(" stanovisko cíl       směr       váha"), E(),
                         T("                      [cc]"), E()});
        }
        double SS1 = 0, SS2 = 0, QX = 0, QY = 0;
        int set_count = 0, total = 0;
        for (int i = 1; i <= t.IS; ++i) {
            const double v = t.V(i, 1), p = t.PPP(1, i);
            table_row(r, res, t.CS[i], t.CC[i], t.SO[i], p, v);
            if (!res || !(std::fabs(v) > kResidualFloor)) {
                continue;
            }
            QX += v * p;
            QY += v * v * p;
            ++set_count;
            if (i == t.IS || t.CS[i + 1] != t.CS[i]) {
                if (set_count >= 3) {
                    QY = std::sqrt(QY / (set_count - 1));
                    summary(r, " Směrod. odch. směru = ", QX, QY, " [cc]", 2);
                }
                QX = 0;
                QY = 0;
                set_count = 0;
            }
            ++total;
            SS1 += v * p;
            SS2 += v * v * p;
        }
        if (res) {
            const int f = total - t.IST;
            if (f >= 1) {
                SS2 = std::sqrt(SS2 / f);
                r.lst.write({E(), T(" Pro všechny směry : ")});
                summary(r, " Směrod. odch. směru = ", SS1, SS2, " [cc]", 2);
            }
        }
    }

    // Zenith angles; their header also stands over an empty table when there are directions.
    if (t.ISZ != 0) {
        const Table zenith = {" Z e n i t o v é   ú h l y", " stanovisko cíl   zenitový úhel  váha",
                              "                      [cc]", "                [cc]",
                              " Směr.odch. zenit.úhlu = ",  " [cc]"};
        kind_table(r, res, zenith, t.IS, t.IZ, t.ZZ);
    }

    // Distances.
    if (t.ID != 0) {
        r.con.list({lit("Tisk délek ")}, CodePage::Cp1250);
        const Table distance = {" D é l k y",
                                " stanovisko cíl       délka      váha",
                                "                       [mm]",
                                "                [mm]",
                                " Směrod. odch. délky = ",
                                " [mm]"};
        kind_table(r, res, distance, t.ISZ, t.ID, t.DO);
    }

    t.QCH = t.MCH * t.MCH / (t.MO * t.MO);
}

// Turns MX in the plane (p, q) about axis OSA; returns the angle in radians.
double rotation_step(Run& r, int OSA, int p, int q) {
    Task& t = r.t;
    double phi = 0.0;
    const bool degenerate =
        (std::fabs(t.MX(p, q)) < kDegenerate && std::fabs(t.MX(p, p) - t.MX(q, q)) < kDegenerate) ||
        (std::fabs(t.MX(p, p)) < kDegenerate && std::fabs(t.MX(q, q)) < kDegenerate);
    if (!degenerate) {
        phi = std::atan2(2.0 * t.MX(p, q), t.MX(p, p) - t.MX(q, q));
        if (phi < 0.0) {
            phi = phi + 2.0 * kPi;
        }
        phi = phi / 2.0;
    }
    MADROT(t.ROT, phi, OSA, r.lst);
    MADMUL(t.MX, t.ROT, t.MXR, 3, 3, 3);
    MADTRN(t.ROT, t.ROTT, 3, 3);
    MADMUL(t.ROTT, t.MXR, t.MX, 3, 3, 3);
    return phi;
}

void coordinates_and_ellipsoids(Run& r) {
    using namespace fmt;
    Task& t = r.t;
    const int NN = t.NN;
    for (int i = 1; i <= NN; ++i) {
        for (int j = 1; j <= NN; ++j) {
            t.RD(i, j) = t.R(i, j);
        }
    }
    r.con.list({lit("Tisk výsledných souřadnic")}, CodePage::Cp1250);
    for (int i = 1; i <= NN; ++i) {
        t.RD(i, i) = t.RD(i, i) + t.QCH;
    }
    for (int i = 1; i <= NN; ++i) {
        for (int j = 1; j <= NN; ++j) {
            r.rep.covariance[i - 1][j - 1] = t.MO * t.MO * t.RD(i, j);
        }
    }
    r.rep.adjusted = true;
    double TR = 0;
    MADTRE(t.RD, NN, TR);
    const double MXY = t.MO * std::sqrt(std::fabs(TR / NN));

    r.lst.write({E(), E(), E(), T("       V Ý S L E D N É   S O U Ř A D N I C E  "), E(), E(),
                 T("  číslo      x          dx         y         dy           z      dz"), E(),
                 T("  bodu      [mm]       [mm]       [mm]      [mm]         [mm]    [mm]"), E(),
                 E()});
    const Layout coord = {T(" "),   I(4),    T(" "),   F(13, 1), F(8, 1),
                          F(13, 1), F(8, 1), F(13, 1), F(8, 1)};
    for (int i = 1; i <= t.IB; ++i) {
        r.lst.write(coord, {t.IN[i], t.XO[i], t.HR(3 * i - 2, 1), t.YO[i], t.HR(3 * i - 1, 1),
                            t.ZO[i], t.HR(3 * i, 1)});
    }

    r.lst.write({E(), E(), E(), T("       P A R A M E T R Y   E L I P S O I D U   C H Y B"), E(),
                 E(), T("  číslo      a          b          c           úhel stočení "), E(),
                 T("  bodu      [mm]       [mm]       [mm]      alfa      beta     gama"), E(),
                 T("                                            [g]       [g]      [g]"), E(),
                 E()});
    const Layout row = {T(" "),   I(4), T(" "),  F(10, 1), F(10, 1),
                        F(10, 1), X(4), F(9, 2), F(9, 2),  F(9, 2)};
    for (int i = 1; i <= t.IB; ++i) {
        const int idx[3] = {3 * i - 2, 3 * i - 1, 3 * i};
        double block[3][3];
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b) {
                block[a][b] = t.RD(idx[a], idx[b]);
            }
        }
        const int pairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
        for (const auto& pq : pairs) {
            const int p = idx[pq[0]], q = idx[pq[1]];
            if (std::fabs(t.RD(p, q) - t.RD(q, p)) > kSymmetry) {
                r.lst.list({lit("Chyba v RD()"), i});
            }
        }
        const Ellipsoid e = ellipsoid_of(r, block);
        r.lst.write(row, {t.IN[i], e.a, e.b, e.c, e.alfa, e.beta, e.gama});
        r.rep.ellipsoid[i] = e;
    }

    r.lst.write({E(), T(" Uvažovaná směrodatná odchylka        ="), F(6, 1)}, {t.MO});
    r.lst.write({E(), T(" Průměrná směrod. odch. souřadnicová  ="), F(6, 1), T(" [mm]")}, {MXY});
}

}  // namespace

Flow results(Run& r) {
    statistics(r);
    coordinates_and_ellipsoids(r);
    return Flow::go();
}

Ellipsoid ellipsoid_of(Run& r, const double block[3][3]) {
    Task& t = r.t;
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            t.MX(a + 1, b + 1) = block[a][b];
        }
    }
    const double ALFA = rotation_step(r, 3, 1, 2) * kGon;
    const double BETA = rotation_step(r, 1, 2, 3) * kGon;
    const double OMEG = rotation_step(r, 2, 1, 3) * kGon;
    const double EX1 = std::sqrt(std::fabs(t.MX(1, 1))) * t.MO;
    const double EY1 = std::sqrt(std::fabs(t.MX(2, 2))) * t.MO;
    const double EZ1 = std::sqrt(std::fabs(t.MX(3, 3))) * t.MO;
    // The listing's columns: alfa, then beta (the third step's angle), then gama (the second's).
    return {EX1, EY1, EZ1, ALFA, OMEG, BETA};
}

double ellipsoid_angle(Run& r, int OSA, int p, int q) {
    return rotation_step(r, OSA, p, q) * kGon;
}

}  // namespace kavron
