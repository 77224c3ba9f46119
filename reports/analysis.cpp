// The report "Rozbor spolehlivosti měření": the reliability of the measurements, written from the
// results value for a student who must find the measurement that spoils a network. Czech, in
// code page 1250 with CR LF, like the listing.
#include <cmath>
#include <cstdio>
#include <string>

#include "format/codepage.hpp"
#include "reports/reports.hpp"

namespace kavron {

namespace {

// Lines in UTF-8, encoded at the end.
struct Text {
    std::string out;
    void line(const std::string& s = {}) {
        out += s;
        out += '\n';
    }
};

std::string fixed(double v, int decimals) {
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", decimals, v);
    return b;
}

std::string field(const std::string& s, int width) {
    return s.size() >= static_cast<std::size_t>(width) ? s : std::string(width - s.size(), ' ') + s;
}

const char* kind_name(Kind k) {
    return k == Kind::Direction ? "směr" : k == Kind::Zenith ? "zen.úhel" : "délka";
}

const char* unit_of(Kind k) {
    return k == Kind::Distance ? "mm" : "cc";
}

// "směr ze 101 na 105" and the like.
std::string naming(const Observation& o) {
    const std::string from = std::to_string(o.station), to = std::to_string(o.target);
    switch (o.kind) {
        case Kind::Direction:
            return "směr ze stanoviska " + from + " na " + to;
        case Kind::Zenith:
            return "zenitový úhel ze stanoviska " + from + " na " + to;
        case Kind::Distance:
            return "délka " + from + " - " + to;
    }
    return {};
}

void head(Text& t, const Results& res, int status, const std::string& listing,
          const std::string& console) {
    t.line("Rozbor spolehlivosti měření");
    t.line("===========================");
    t.line();
    t.line("Úloha:    " + action_text(res.action));
    const DateTime& d = res.date;
    char date[64];
    std::snprintf(date, sizeof date, "%2d.%2d.%4d %2d:%02d:%02d", d.day, d.month, d.year, d.hour,
                  d.minute, d.second);
    t.line(std::string("Výpočet:  ") + date + (listing.empty() ? "" : ", výpis " + listing));
    if (res.ending == Ending::Normal) {
        t.line("Konec:    výpočet doběhl");
    } else {
        t.line("Konec:    výpočet skončil předčasně (" + std::string(info(res.ending).kind) +
               ", návratový kód " + std::to_string(status) + ")");
        const std::string message = ending_message(res, console);
        std::size_t start = 0;
        while (start < message.size()) {
            const std::size_t end = std::min(message.find('\n', start), message.size());
            t.line("          " + message.substr(start, end - start));
            start = end + 1;
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

void overall(Text& t, const Results& res) {
    const Reliability& rel = res.reliability;
    t.line("Celkový test");
    t.line("  [pvv] = " + fixed(res.pvv, 2) +
           "    nadbytečných měření r = " + std::to_string(res.redundancy) +
           "    součet čísel nadbytečnosti = " + fixed(rel.sum_r, 3));
    if (std::fabs(rel.sum_r - res.redundancy) > 0.01) {
        t.line("  (Součet se od r liší: některá podmínka umístění působí na síť, jejíž umístění");
        t.line("  je už úplné; v r se počítá jako měření, opravy měření ji ale téměř necítí.)");
    }
    if (res.m0_tested) {
        const double ratio = res.m0 / res.MOO;
        t.line("  m0 = " + fixed(res.m0, 2) + " (apriorní " + fixed(res.MOO, 2) +
               "), m0 / m0 apriorní = " + fixed(ratio, 2));
        if (rel.has_chi2) {
            t.line("  95% interval podle rozdělení chí-kvadrát s r stupni volnosti: " +
                   fixed(rel.chi2_low, 2) + " až " + fixed(rel.chi2_high, 2) + ": test " +
                   (rel.chi2_passed ? "vyhověl." : "nevyhověl."));
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

void conclusion(Text& t, const Results& res) {
    const Reliability& rel = res.reliability;
    t.line("Závěr");
    const int g = rel.max_index;
    if (g == 0 || !rel.of[g].outlier) {
        t.line("  Žádné měření nepřekračuje kritickou hodnotu: hrubá chyba se v datech nenašla.");
        if (res.m0_warning) {
            t.line("  m0 je ale větší, než dovoluje apriorní přesnost: zkontrolujte váhy a");
            t.line("  apriorní směrodatné odchylky.");
        }
        t.line();
        return;
    }
    const Observation& o = res.observations[g];
    const Reliable& m = rel.of[g];
    const double gross = -m.v_over_r;  // the measured value minus what the others predict
    t.line("  Nejvíce podezřelé je měření č. " + std::to_string(g) + ": " + naming(o) + ",");
    t.line("  měřeno " + fixed(o.value, 1) + " " + unit_of(o.kind) +
           ", |w| = " + fixed(std::fabs(m.w), 2) + ". Měřená hodnota je asi o " +
           fixed(std::fabs(gross), 1) + " " + unit_of(o.kind) + (gross > 0 ? " větší" : " menší"));
    t.line("  než to, co říkají ostatní měření (v/r = " + fixed(m.v_over_r, 1) +
           "). Zkontrolujte nejdříve jen toto");
    t.line("  měření: opravy ostatních měření, i dalších označených, jsou jím ovlivněny.");
    t.line("  Po jeho opravě nebo vyřazení spusťte výpočet znovu a rozbor opakujte.");
    t.line();
}

std::string cell(bool has, double v, int decimals, int width) {
    return field(has ? fixed(v, decimals) : "-", width);
}

void table(Text& t, const Results& res) {
    const Reliability& rel = res.reliability;
    t.line("Měření (* překračuje kritickou hodnotu, ! nekontrolované, ? slabě kontrolované)");
    t.line(
        "   č.  druh      stan.   cíl       měřeno    váha   oprava      r      sv       w"
        "     tau      MDB    vliv  bod      v/r  m0 bez");
    for (int g = 1; g <= res.observations_read; ++g) {
        const Observation& o = res.observations[g];
        const Reliable& m = rel.of[g];
        const bool c = m.controlled;
        const char mark = m.outlier ? '*' : !c ? '!' : m.r < 0.1 ? '?' : ' ';
        std::string row = field(std::to_string(g), 5) + std::string(1, mark) + " " +
                          std::string(kind_name(o.kind));
        row.resize(row.size() + (10 - std::string(kind_name(o.kind)).size()), ' ');
        row += field(std::to_string(o.station), 5) + field(std::to_string(o.target), 6) +
               field(fixed(o.value, 1), 13) + field(fixed(o.weight, 2), 8) +
               field(fixed(o.residual, 2), 9) + field(fixed(m.r, 3), 7) + cell(c, m.sd_v, 2, 8) +
               cell(c, m.w, 2, 8) + cell(c && m.has_tau, m.tau, 2, 8) + cell(c, m.mdb, 1, 9) +
               cell(c, m.mdb_effect, 1, 8) +
               field(c && m.mdb_point != 0 ? std::to_string(m.mdb_point) : "-", 5) +
               cell(c, m.v_over_r, 1, 9) + cell(c && m.has_m0_without, m.m0_without, 2, 8);
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
}

}  // namespace

std::string analysis_report(const Results& res, int status, const std::string& listing,
                            const std::string& console) {
    Text t;
    head(t, res, status, listing, console);
    warnings(t, res);
    if (res.reliability.computed) {
        overall(t, res);
        conclusion(t, res);
        table(t, res);
        weak(t, res);
        key(t);
    }
    // Code page 1250, CR LF.
    std::string out;
    std::size_t start = 0;
    while (start < t.out.size()) {
        const std::size_t end = t.out.find('\n', start);
        append_encoded(out, std::string_view(t.out).substr(start, end - start), CodePage::Cp1250);
        out += "\r\n";
        start = end + 1;
    }
    return out;
}

}  // namespace kavron
