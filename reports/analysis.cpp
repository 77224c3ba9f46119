// The report "Rozbor spolehlivosti měření": the reliability of the measurements, written from the
// results value for a student who must find the measurement that spoils a network. Czech, in
// code page 1250 with CR LF, like the listing.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

#include "format/codepage.hpp"
#include "reports/reports.hpp"
#include "reports/text.hpp"

namespace kavron {

namespace {

using text::fixed;
using text::kind_name;
using text::kinds_name;
using text::naming;
using text::pad;
using text::Text;
using text::unit_of;

void head(Text& t, const Results& res, const Outcome& end, const std::string& listing) {
    t.line("Rozbor spolehlivosti měření");
    t.line("===========================");
    t.line();
    t.line("Úloha:    " + action_text(res.action));
    const DateTime& d = res.date;
    char date[64];
    std::snprintf(date, sizeof date, "%2d.%2d.%4d %2d:%02d:%02d", d.day, d.month, d.year, d.hour,
                  d.minute, d.second);
    t.line(std::string("Výpočet:  ") + date + (listing.empty() ? "" : ", výpis " + listing));
    if (end.ending == Ending::Normal) {
        t.line("Konec:    výpočet doběhl");
    } else {
        t.line("Konec:    výpočet skončil předčasně (" + std::string(info(end.ending).kind) +
               ", návratový kód " + std::to_string(end.status) + ")");
        const std::string message = ending_message(end);
        std::size_t start = 0;
        while (start < message.size()) {
            const std::size_t stop = std::min(message.find('\n', start), message.size());
            t.line("          " + message.substr(start, stop - start));
            start = stop + 1;
        }
        if (end.input_line != 0) {
            t.line("          (číslo řádku počítá přečtené záznamy; čtení selhalo na " +
                   std::to_string(end.input_line) + ". řádku souboru)");
        }
    }
    t.line();
}

void warnings(Text& t, const Results& res) {
    if (res.warnings.empty()) {
        return;
    }
    t.line("Upozornění ke vstupnímu souboru (vstup se přečetl jinak, než na pohled vypadá)");
    for (const Warning& w : res.warnings) {
        t.line("  " + w.text);
    }
    t.line();
}

// The largest misclosures of the first pass, by their ratio to the a-priori deviation: where a
// run that does not converge most likely has a wrong value or a wrong point number.
void misclosures(Text& t, const Results& res) {
    constexpr int kShown = 3;
    int order[JM + 1] = {};
    const auto ratio = [&](int k) {
        const Misclosure& m = res.first_pass[k];
        return m.sd > 0 ? std::fabs(m.value) / m.sd : std::fabs(m.value);
    };
    for (int k = 1; k <= res.misclosures; ++k) {
        order[k - 1] = k;
    }
    std::stable_sort(order, order + res.misclosures,
                     [&](int a, int b) { return ratio(a) > ratio(b); });
    if (res.misclosures == 0) {
        return;
    }
    t.line("Největší nesouhlasy prvního kroku (měřeno minus vypočteno z přibližných souřadnic,");
    t.line("jako v chybovém souboru); výpočet nekonvergoval, hledejte chybu nejdříve zde:");
    for (int i = 0; i < std::min(kShown, res.misclosures); ++i) {
        const Misclosure& m = res.first_pass[order[i]];
        const std::string a = std::to_string(m.points[0]), b = std::to_string(m.points[1]);
        std::string row = "  ";
        if (m.kind == Kind::Direction) {
            row.append("úhel na stanovisku ").append(b).append(" mezi cíli ").append(a);
            row.append(" a ").append(std::to_string(m.points[2]));
        } else if (m.kind == Kind::Zenith) {
            row.append("zenitový úhel ze stanoviska ").append(a).append(" na ").append(b);
        } else {
            row.append("délka ").append(a).append(" - ").append(b);
        }
        row.append(": ").append(fixed(m.value, 2)).append(" ").append(unit_of(m.kind));
        row.append(", tj. ").append(fixed(ratio(order[i]), 1));
        row.append(" apriorních směrodatných odchylek");
        t.line(row);
    }
    t.line("  Velký nesouhlas mívá chybné číslo cíle nebo stanoviska, nebo překlep v hodnotě.");
    t.line();
}

void overall(Text& t, const Results& res) {
    const Reliability& rel = res.reliability;
    t.line("Celkový test");
    t.line("  [pvv] = " + fixed(res.pvv, 2) +
           "    nadbytečných měření r = " + std::to_string(res.redundancy) +
           "    součet čísel nadbytečnosti = " + fixed(rel.sum_r, 3));
    if (std::fabs(rel.sum_r - res.redundancy) > 0.01) {
        t.line("  (Součet se od r liší o " + fixed(rel.sum_r - res.redundancy, 3) +
               ": podmínky umístění sítě nejsou jen nutné");
        t.line("  minimum, nebo některá působí na síť, jejíž umístění je už úplné. r je počet");
        t.line("  rovnic a podmínek bez počtu neznámých; čísla nadbytečnosti měří, jak opravy");
        t.line("  měření cítí chybu měření, a podmínky v nich nejsou.)");
    }
    if (res.m0_tested) {
        const double ratio = res.m0 / res.MOO;
        t.line("  m0 = " + fixed(res.m0, 2) + " (apriorní " + fixed(res.MOO, 2) +
               "), m0 / m0 apriorní = " + fixed(ratio, 2));
        if (rel.has_chi2) {
            t.line("  95% interval podle rozdělení chí-kvadrát s r stupni volnosti: " +
                   fixed(rel.chi2_low, 2) + " až " + fixed(rel.chi2_high, 2) + ": test " +
                   (rel.chi2_passed ? "vyhověl." : "nevyhověl."));
            if (rel.m0_large) {
                t.line("  m0 je větší, než dovoluje apriorní přesnost: testuje se studentizovaná");
                t.line("  oprava tau.");
            } else if (rel.m0_small) {
                t.line(
                    "  m0 je menší, než odpovídá apriorní přesnosti: apriorní směrodatné odchylky");
                t.line(
                    "  jsou asi příliš velké (nebo váhy příliš malé); testuje se normovaná oprava "
                    "w.");
            }
        }
    }
    t.line("  Hladina testů alfa = " + fixed(100 * rel.alpha, 1) + " %, síla " +
           fixed(100 * rel.power, 0) + " %, delta0 = " + fixed(rel.delta0, 2) +
           ". Kritická hodnota |w| = " + fixed(rel.critical_w, 2) +
           (rel.has_critical_tau ? ", |tau| (Pope) = " + fixed(rel.critical_tau, 2) : "") + ".");
    if (rel.max_index != 0) {
        t.line("  Největší |w| = " + fixed(rel.max_w, 2) + ": měření č. " +
               std::to_string(rel.max_index) + ", " + naming(res.observations[rel.max_index]) +
               ".");
    }
    t.line();
}

// The measurements tied with the suspect, as "č. 3, č. 5".
std::string tied_list(const Reliability& rel) {
    std::string out;
    for (int k = 1; k < rel.tied_count; ++k) {
        out += (k > 1 ? ", č. " : "č. ") + std::to_string(rel.tied[k]);
    }
    return out;
}

// Whether every tied measurement is a direction of one station.
bool one_station(const Results& res) {
    const Reliability& rel = res.reliability;
    const Observation& first = res.observations[rel.tied[0]];
    for (int k = 0; k < rel.tied_count; ++k) {
        const Observation& o = res.observations[rel.tied[k]];
        if (o.kind != Kind::Direction || o.station != first.station) {
            return false;
        }
    }
    return true;
}

void suspect(Text& t, const Results& res) {
    const Reliability& rel = res.reliability;
    const int g = rel.max_index;
    const Observation& o = res.observations[g];
    const Reliable& m = rel.of[g];
    const double gross = -m.v_over_r;  // the measured value minus what the others predict
    t.line("  Nejvíce podezřelé je měření č. " + std::to_string(g) + ": " + naming(o) + ",");
    t.line("  měřeno " + fixed(o.value, 1) + " " + unit_of(o.kind) +
           ", |w| = " + fixed(std::fabs(m.w), 2) + ". Měřená hodnota je asi o " +
           fixed(std::fabs(gross), 1) + " " + unit_of(o.kind) + (gross > 0 ? " větší" : " menší"));
    t.line("  než to, co říkají ostatní měření (v/r = " + fixed(m.v_over_r, 1) + ").");
    if (rel.tied_count == 0 && rel.snooping.size() >= 2) {
        std::string more;
        for (std::size_t k = 1; k < rel.snooping.size(); ++k) {
            const int h = rel.snooping[k].index;
            more += (k > 1 ? ", pak č. " : "č. ") + std::to_string(h) + " (" +
                    naming(res.observations[h]) + ")";
        }
        t.wrapped("Po jeho vynechání našlo postupné vyhledávání (níže) další: " + more +
                  ". Každé se našlo s vynecháním předchozích: kontrolujte je v tomto pořadí, "
                  "první nejdříve (jeho chyba zkresluje opravy ostatních).");
    } else if (rel.tied_count == 0) {
        t.line("  Zkontrolujte nejdříve jen toto měření: opravy ostatních měření, i dalších");
        t.line("  označených, jsou jím ovlivněny.");
    } else {
        t.line("  Data ho ale nedokážou odlišit od měření " + tied_list(rel) +
               " (stejné |w|, opravy spolu");
        t.line("  plně souvisejí): chyba může být v kterémkoli z nich. Zkontrolujte všechna.");
        if (one_station(res)) {
            t.line("  Jsou to směry jednoho stanoviska (" + std::to_string(o.station) +
                   "): chybný je úhel mezi nimi, ne jeden");
            t.line("  určitý směr.");
        }
    }
    t.line("  Po opravě nebo vyřazení spusťte výpočet znovu a rozbor opakujte.");
}

void conclusion(Text& t, const Results& res) {
    const Reliability& rel = res.reliability;
    t.line("Závěr");
    const int g = rel.max_index;
    if (res.redundancy < 1 || rel.controlled == 0) {
        t.line(res.redundancy < 1
                   ? "  Měření nelze zkontrolovat: síť nemá žádné nadbytečné měření (r = " +
                         std::to_string(res.redundancy) + "),"
                   : "  Měření nelze zkontrolovat: žádné měření není kontrolované,");
        t.line("  hrubou chybu by žádný test neodhalil. Přidejte měření, která je ověří.");
    } else if (g != 0 && rel.of[g].outlier) {
        suspect(t, res);
    } else if (g != 0 && rel.max_w > rel.critical_w) {
        t.line("  Měření k sobě nepasují: největší |w| = " + fixed(rel.max_w, 2) + " (měření č. " +
               std::to_string(g) + ") překračuje " + fixed(rel.critical_w, 2) + ",");
        t.line("  ale žádné tau nepřekračuje svou kritickou hodnotu: test nedokáže určit jedinou");
        t.line("  chybu. Chyb je asi víc, nebo jsou apriorní směrodatné odchylky příliš malé.");
        t.line("  Zkontrolujte měření s největšími |w| a apriorní přesnost.");
    } else {
        t.line("  Žádné měření nepřekračuje kritickou hodnotu: hrubá chyba se v datech nenašla.");
        if (rel.m0_large) {
            t.line("  m0 je ale větší, než dovoluje apriorní přesnost: zkontrolujte váhy a");
            t.line("  apriorní směrodatné odchylky.");
        } else if (rel.m0_small) {
            t.line("  m0 je ale menší, než odpovídá apriorní přesnosti: apriorní směrodatné");
            t.line("  odchylky jsou asi příliš velké, a testy proto méně citlivé.");
        }
    }
    t.line();
}

// The iterated data snooping: each step's measurement left out, its |w| (|tau|), m0 after and
// whether a measurement still exceeds its critical value; why it ended.
void snooping(Text& t, const Results& res) {
    const Reliability& rel = res.reliability;
    if (rel.snooping.empty()) {
        return;
    }
    t.line("Postupné vyhledávání hrubých chyb (podezřelé měření vynecháno, síť vyrovnána znovu)");
    t.line("  " + pad("krok", 4) + pad("č.", 6) + "  " + pad("měření", 42, false) + pad("|w|", 8) +
           " " + pad("m0 potom", 10) + pad("test m0", 11) + "  podezřelé potom");
    int k = 0;
    for (const SnoopStep& s : rel.snooping) {
        const Observation& o = res.observations[s.index];
        std::string row = "  " + pad(std::to_string(++k), 4) + pad(std::to_string(s.index), 6) +
                          "  " + pad(naming(o), 42, false) + pad(fixed(std::fabs(s.w), 2), 8) +
                          (s.tau ? "t" : " ");
        if (s.adjusted) {
            row += pad(s.has_m0_after ? fixed(s.m0_after, 2) : "-", 10) +
                   pad(s.m0_passed_after ? "vyhověl" : "nevyhověl", 11) + "  " +
                   (s.passed_after ? "žádné" : "další");
        } else {
            row += pad("-", 10) + pad("-", 11);
        }
        t.line(row);
        if (!s.tied.empty()) {
            std::string list;
            for (const int h : s.tied) {
                list += (list.empty() ? "č. " : ", ") + std::to_string(h);
            }
            t.line("              data ho nedokážou odlišit od " + list);
        }
    }
    std::string end;
    switch (rel.snoop_end) {
        case SnoopEnd::Passed:
            end = "po vynechání " + std::to_string(rel.snooping.size()) +
                  " měření žádné nepřekračuje kritickou hodnotu.";
            break;
        case SnoopEnd::Tied:
            end =
                "poslední podezřelé měření data nedokážou odlišit od jiných (viz závěr):"
                " dál se nehledá.";
            break;
        case SnoopEnd::Redundancy:
            end = "po vynechání dalšího měření by síť neměla nadbytečné měření: dál se nehledá.";
            break;
        case SnoopEnd::CannotLeaveOut:
            end =
                "bez posledního podezřelého měření nelze síť vyrovnat (chybělo by k určení"
                " sítě): dál se nehledá.";
            break;
        case SnoopEnd::Steps:
            end =
                "ani po pěti krocích nejsou všechna měření pod kritickou hodnotou: chyb je "
                "asi víc, nebo nesedí apriorní přesnost.";
            break;
        case SnoopEnd::None:
            break;
    }
    t.line("  Konec: " + end);
    t.line(
        "  (t: studentizovaná oprava tau, m0 neprošlo testem; test m0 je chí-kvadrát po "
        "vynechání)");
    t.line();
}

// The weight the input's measurements of the kind have most often.
double usual_weight(const Results& res, Kind kind) {
    double best = 0;
    int most = 0;
    for (int g = 1; g <= res.observations_read; ++g) {
        if (res.observations[g].kind != kind) {
            continue;
        }
        int n = 0;
        for (int h = 1; h <= res.observations_read; ++h) {
            n += res.observations[h].kind == kind &&
                         res.observations[h].weight == res.observations[g].weight
                     ? 1
                     : 0;
        }
        if (n > most) {
            most = n;
            best = res.observations[g].weight;
        }
    }
    return best;
}

// A weight in three significant digits, as few as say it (0.0224, 24.8, 1440).
std::string weight_text(double w) {
    return text::significant(w, 3);
}

// A factor in three significant digits, trailing zeros kept (1.60, 0.249, 0.0224).
std::string factor_text(double f) {
    char b[32];
    std::snprintf(b, sizeof b, "%#.3g", f);
    std::string s = b;
    if (!s.empty() && s.back() == '.') {
        s.pop_back();
    }
    return s;
}

// The variance components of the kinds: the one-step ratio with its interval, the iterated ratio
// and the factor for the weights; one sentence.
void components(Text& t, const Results& res) {
    const Reliability& rel = res.reliability;
    if (rel.components.empty()) {
        return;
    }
    t.line("Přesnost druhů měření (složky rozptylu: sd druhu / apriorní sd z vah)");
    t.line(
        "  druh            počet  součet r   poměr   95% interval    test       po iteraci  "
        "váhy krát");
    bool few = false;
    // Kinds to weigh otherwise; kinds out of their interval only before iterating; kinds out of
    // it whose iteration did not settle; kinds whose residuals vanished.
    std::string sentence, leaked, unsettled, vanished;
    for (const VarianceComponent& c : rel.components) {
        const bool counted = c.count > 0;
        std::string row = "  " + pad(kinds_name(c.kind), 14, false) +
                          pad(std::to_string(c.count), 7) + pad(fixed(c.redundancy, 2), 10);
        if (!counted) {
            t.line(row + "   žádné kontrolované měření");
            continue;
        }
        row += pad(fixed(c.ratio, 2), 8);
        row += c.has_interval ? pad(fixed(c.low, 2) + " až " + fixed(c.high, 2), 15) + "   " +
                                    pad(c.passed ? "vyhověl" : "nevyhověl", 9, false)
                              : pad("-", 15) + "   " + pad("-", 9, false);
        row += c.settle == VarianceComponent::Settled
                   ? pad(fixed(c.iterated_ratio, 2), 13) + pad(factor_text(c.weight_factor), 11)
               : c.settle == VarianceComponent::Zero ? "    opravy vymizely"
                                                     : "    neustálilo se";
        if (c.redundancy < 5) {
            row += "  !";
            few = true;
        }
        t.line(row);
        if (!c.has_interval || c.passed) {
            continue;
        }
        if (c.settle == VarianceComponent::Zero) {
            vanished += std::string(vanished.empty() ? "" : ", ") + kinds_name(c.kind);
        } else if (c.settle != VarianceComponent::Settled) {
            unsettled += std::string(unsettled.empty() ? "" : ", ") + kinds_name(c.kind);
        } else if (c.iterated_ratio >= c.low && c.iterated_ratio <= c.high) {
            leaked += std::string(leaked.empty() ? "" : ", ") + kinds_name(c.kind);
        } else {
            const double w = usual_weight(res, c.kind);
            sentence += (sentence.empty() ? "" : "; ") + std::string(kinds_name(c.kind)) +
                        (c.iterated_ratio > 1 ? " jsou méně přesné, než říkají jejich váhy"
                                              : " jsou přesnější, než říkají jejich váhy") +
                        " (poměr po iteraci " + fixed(c.iterated_ratio, 2) +
                        "): jejich váhy násobte " + factor_text(c.weight_factor) + " (váhu " +
                        text::typed(w, 0) + " změňte na " + weight_text(w * c.weight_factor) + ")" +
                        (c.redundancy < 5
                             ? ", údaj ale mnoho neříká (součet r " + fixed(c.redundancy, 2) + ")"
                             : "");
        }
    }
    if (few) {
        t.line(
            "  ! součet r pod 5: poměr druhu mnoho neříká (odhaduje se z mála nadbytečných "
            "měření).");
    }
    if (!rel.snooping.empty()) {
        t.line("  Poměry počítají i s podezřelými měřeními (výše), která poměr svého druhu");
        t.line("  zvětšují: přesnost druhů posuďte znovu, až budou opravena.");
    }
    if (!sentence.empty()) {
        sentence[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(sentence[0])));
        t.wrapped(sentence + ".");
    }
    if (!leaked.empty()) {
        leaked[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(leaked[0])));
        t.wrapped(leaked +
                  ": poměr je mimo interval jen před iterací, po ní je v něm (odchylku"
                  " způsobily ostatní druhy): jejich váhy ponechte.");
    }
    if (!unsettled.empty()) {
        unsettled[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(unsettled[0])));
        t.wrapped(unsettled +
                  ": poměr je mimo interval, iterace se ale neustálila: kolik změnit"
                  " váhy, se z těchto dat určit nedá.");
    }
    if (!vanished.empty()) {
        vanished[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(vanished[0])));
        t.wrapped(vanished +
                  ": opravy prakticky vymizely (poměr pod 0.001), měření sedí přesněji,"
                  " než se dá posoudit (jako když jsou spočtena ze souřadnic): jak"
                  " změnit váhy, se z nich určit nedá.");
    }
    if (sentence.empty() && leaked.empty() && unsettled.empty() && vanished.empty()) {
        t.line("  Přesnost druhů měření odpovídá jejich vahám (každý poměr je ve svém intervalu).");
    }
    t.line();
}

// The numeric columns of the table: their heads and their usual widths. A column is widened
// where a figure needs it, so that at least one blank stands between two figures.
struct Column {
    const char* head;
    std::size_t width;
};
constexpr Column kColumns[] = {{"stan.", 5},  {"cíl", 6},   {"měřeno", 13}, {"váha", 8},
                               {"oprava", 9}, {"r", 7},     {"sv", 8},      {"w", 8},
                               {"tau", 8},    {"MDB", 9},   {"vliv", 8},    {"bod", 5},
                               {"v/r", 9},    {"m0 bez", 8}};
constexpr std::size_t kNumeric = std::size(kColumns);

// Characters of a UTF-8 text.
std::size_t length(const std::string& s) {
    std::size_t n = 0;
    for (const char c : s) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return n;
}

std::string right(const std::string& s, std::size_t width) {
    const std::size_t n = length(s);
    return n >= width ? s : std::string(width - n, ' ') + s;
}

std::string cell(bool has, double v, int decimals) {
    return has ? fixed(v, decimals) : "-";
}

// The numeric cells of measurement g.
std::array<std::string, kNumeric> cells(const Results& res, int g) {
    const Observation& o = res.observations[g];
    const Reliable& m = res.reliability.of[g];
    const bool c = m.controlled;
    return {std::to_string(o.station),
            std::to_string(o.target),
            fixed(o.value, 1),
            fixed(o.weight, 2),
            fixed(o.residual, 2),
            fixed(m.r, 3),
            cell(c, m.sd_v, 2),
            cell(c, m.w, 2),
            cell(c && m.has_tau, m.tau, 2),
            cell(c, m.mdb, 1),
            cell(c, m.mdb_effect, 1),
            c && m.mdb_point != 0 ? std::to_string(m.mdb_point) : "-",
            cell(c, m.v_over_r, 1),
            cell(c && m.has_m0_without, m.m0_without, 2)};
}

void table(Text& t, const Results& res) {
    const Reliability& rel = res.reliability;
    std::array<std::size_t, kNumeric> width{};
    for (std::size_t k = 0; k < kNumeric; ++k) {
        width[k] = kColumns[k].width;
    }
    for (int g = 1; g <= res.observations_read; ++g) {
        const auto row = cells(res, g);
        for (std::size_t k = 0; k < kNumeric; ++k) {
            width[k] = std::max(width[k], length(row[k]) + 1);
        }
    }
    t.line("Měření (* překračuje kritickou hodnotu, ! nekontrolované, ? slabě kontrolované)");
    std::string head = "   č.  druh      ";
    for (std::size_t k = 0; k < kNumeric; ++k) {
        head += right(kColumns[k].head, width[k]);
    }
    t.line(head);
    for (int g = 1; g <= res.observations_read; ++g) {
        const Observation& o = res.observations[g];
        const Reliable& m = rel.of[g];
        const char mark = m.outlier ? '*' : !m.controlled ? '!' : m.r < 0.1 ? '?' : ' ';
        std::string row = right(std::to_string(g), 5) + mark + " " + kind_name(o.kind);
        row.resize(row.size() + (10 - length(kind_name(o.kind))), ' ');
        const auto values = cells(res, g);
        for (std::size_t k = 0; k < kNumeric; ++k) {
            row += right(values[k], width[k]);
        }
        t.line(row);
    }
    t.line();
}

void weak(Text& t, const Results& res) {
    const Reliability& rel = res.reliability;
    bool any = false;
    for (int g = 1; g <= res.observations_read; ++g) {
        const Reliable& m = rel.of[g];
        if (m.r >= 0.1) {
            continue;
        }
        if (!any) {
            t.line("Nekontrolovaná a slabě kontrolovaná měření");
            any = true;
        }
        t.line("  č. " + std::to_string(g) + ", " + naming(res.observations[g]) +
               ": r = " + fixed(m.r, 3) +
               (m.controlled ? "; hrubá chyba by se v opravě projevila jen z malé části"
                             : "; nekontrolované: hrubou chybu tohoto měření nic neodhalí"));
    }
    if (any) {
        t.line("  Takové měření ostatní měření nekontrolují (stanovisko s jediným směrem,");
        t.line("  jediné měření, které určuje souřadnici). Přidejte měření, která je ověří.");
        t.line();
    }
}

void key(Text& t) {
    t.line("Vysvětlivky");
    t.line("  oprava   v = vyrovnaná minus měřená hodnota [cc nebo mm]");
    t.line("  r        číslo nadbytečnosti (0 až 1): jaká část hrubé chyby se projeví v opravě;");
    t.line("           pod 0,001 je měření nekontrolované, pod 0,1 slabě kontrolované");
    t.line("  sv       směrodatná odchylka opravy z apriorní jednotkové směrodatné odchylky");
    t.line("  w        normovaná oprava v / sv; nad kritickou hodnotou je měření podezřelé");
    t.line("  tau      studentizovaná oprava v / (m0 odm(qvv)), když m0 neprošel testem");
    t.line("  MDB      nejmenší hrubá chyba, kterou test odhalí (alfa 0,1 %, síla 80 %)");
    t.line("  vliv,bod největší prostorový posun bodu [mm], který by chyba velikosti MDB");
    t.line("           způsobila, a číslo tohoto bodu");
    t.line("  v/r      o kolik se měřená hodnota liší od toho, co říkají ostatní měření");
    t.line("           (odhad hrubé chyby s opačným znaménkem)");
    t.line("  m0 bez   jednotková směrodatná odchylka vyrovnání bez tohoto měření");
    t.line("  poměr    sd druhu / apriorní sd z vah = odm(součet v^2 p / m0apr^2 / součet r)");
    t.line("           přes kontrolovaná měření druhu; 95% interval z rozdělení chí-kvadrát");
    t.line("           se součtem r stupňů volnosti");
    t.line("  po iteraci");
    t.line("           poměr, když se váhy druhu opakovaně dělí poměrem na druhou, dokud nejsou");
    t.line("           všechny poměry 1 (do 50 kol)");
    t.line("  váhy krát");
    t.line("           čím váhy druhu ve vstupu násobit: 1 / (poměr po iteraci)^2");
}

}  // namespace

std::string analysis_report(const Results& res, const Outcome& end, const std::string& listing) {
    Text t;
    head(t, res, end, listing);
    warnings(t, res);
    if (end.ending == Ending::NoConvergence) {
        misclosures(t, res);
    }
    if (res.reliability.computed) {
        overall(t, res);
        conclusion(t, res);
        snooping(t, res);
        components(t, res);
        table(t, res);
        weak(t, res);
        key(t);
    }
    return text::in_cp1250(t.out);
}

namespace text {

std::string in_cp1250(std::string utf8) {
    for (char& ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c < 0x20 && c != '\n') || c == 0x7f) {
            ch = '?';
        }
    }
    std::string out;
    std::size_t start = 0;
    while (start < utf8.size()) {
        const std::size_t end = utf8.find('\n', start);
        append_encoded(out, std::string_view(utf8).substr(start, end - start), CodePage::Cp1250);
        out += "\r\n";
        start = end + 1;
    }
    return out;
}

}  // namespace text

}  // namespace kavron
