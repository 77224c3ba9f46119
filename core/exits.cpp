#include "core/exits.hpp"

#include <algorithm>

#include "core/constants.hpp"
#include "format/codepage.hpp"

namespace kavron {

using fmt::lit;

Stop& Stop::say(std::initializer_list<fmt::Val> vals) {
    for (std::string& rec : fmt::list_records({vals.begin(), vals.size()}, CodePage::Cp852)) {
        said.push_back({true, std::move(rec)});
    }
    return *this;
}

Stop& Stop::line(std::string_view bytes) {
    said.push_back({false, std::string(bytes)});
    return *this;
}

Stop& Stop::pause(std::string_view bytes) {
    said.push_back({false, std::string(bytes), true});
    return *this;
}

Stop stop(Ending e) {
    return Stop{e, {}, 0};
}

Stop stop_no_database() {
    return stop(Ending::NoDatabase).say({lit("Žadná DATABAZE bodů není inicializovaná ")});
}

Stop stop_unknown_code(int code) {
    return stop(Ending::UnknownPointCode).say({lit("Chyba ve vstupu, neznámý kód bodu"), code});
}

Stop stop_point_not_listed(std::string_view listing) {
    Stop s = stop(Ending::PointNotListed);
    s.say({lit("Číslo stanoviska nebo cíle neexistuje v seznamu")});
    s.say({lit("souřadnic")});
    s.say({lit("Proveďte opravu dat, smažte  výstupní soubor - "), fmt::raw(listing)});
    s.say({lit("a znovu proveďte výpočet")});
    return s;
}

Stop stop_coincident(int n1, int n2, int n3, int i1, int j1, int k1) {
    Stop s = stop(Ending::CoincidentPoints);
    s.say({lit(" Chyba - Jsou zadány stejné souřadnice pro dva body")});
    s.say({lit(" Čísla bodů: "), n1, n2, n3});
    s.say({lit(" Čísla indexů:"), i1, j1, k1});
    return s;
}

Stop stop_missing_reference_point() {
    return stop(Ending::MissingReferencePoint)
        .say({lit("*** Chyba v zadání: Chybí bod s číslem o  kódu 7 ***")});
}

Stop stop_too_many_equations() {
    return stop(Ending::TooManyEquations).pause(" NM > JM ");
}

Stop stop_underdetermined() {
    Stop s = stop(Ending::Underdetermined);
    s.say({lit(" Chyba - úloha je nedostatečně určena")});
    s.say({lit("         tj. malý počet podmínek umístění sítě")});
    s.say({lit("         nebo nedostatečné zaměření sítě")});
    return s;
}

Stop stop_too_many_conditions() {
    return stop(Ending::TooManyConditions).pause("JP < IG");
}

Stop stop_row_mismatch() {
    return stop(Ending::RowMismatch).pause("IXD <> NM");
}

Stop stop_weights_singular(const double* diagonal, int count) {
    Stop s = stop(Ending::WeightsSingular);
    s.pause(cp852("chyba v zadání - zkontrolujte sořadnice, kódy,vstupní vel."));
    for (int i = 1; i <= count; ++i) {
        s.say({lit("p(i,i) ="), i, diagonal[i]});
        s.pause(cp1250("dále ?"));
    }
    return s;
}

Stop stop_qi_singular() {
    return stop(Ending::EquationCofactorsSingular).pause("chyba v inverzi QI()");
}

Stop stop_solution_singular() {
    Stop s = stop(Ending::SolutionSingular);
    s.pause(cp852("singularita řešení  "));
    s.say({lit(" zřejmě špatně zadané podmínky na umístění sítě,")});
    s.say({lit(" nejprve ale proveďte kontrolu vstupních veličin")});
    return s;
}

Stop stop_dimensions() {
    return stop(Ending::Dimensions)
        .say({lit("  chyba v dimenzích   při rozšiřování matic H(), R()")});
}

Stop stop_dimension_not_restored() {
    return stop(Ending::DimensionNotRestored)
        .say({lit("  nesouhlasí dimenze n před redukcí a po návratu")});
}

Stop stop_no_convergence() {
    static constexpr std::string_view kAdvice[] = {
        " ",
        "         ***** P O Z O R ! *****",
        "  Způsob zadání výpočtu nevede k výsledku",
        "  Možná náprava:",
        "    a)  zkontrolujte všechny zadané hodnoty",
        "    b)  proveďte lepší odhad přibližných souřadnic",
        "    c)  seřaďte měřené veličiny ve smyslu daný bod ",
        "        - určovaný bod",
        "    c)  přečíslujte body (souřadnice, směry, délky)",
        "  nevedou-li uvedené kroky k výsledku, obraťte se na",
        "  správce programu, katedra geodézie a kartografie,",
        "  Laboratorní 12, 160 00 Praha 6, tel. +420 224 000 123",
    };
    Stop s = stop(Ending::NoConvergence);
    for (std::string_view line : kAdvice) {
        s.say({lit(line)});
    }
    return s;
}

std::string refusal_text(const Stop& s, const std::string& said) {
    std::string bytes = said;
    for (const Said& x : s.said) {
        bytes +=
            (x.record ? x.bytes.substr(std::min<std::size_t>(1, x.bytes.size())) : x.bytes) + "\n";
    }
    const std::string utf8 = decode(bytes, CodePage::Cp852);
    std::string out;
    bool blank = true;
    for (const char c : utf8) {
        const bool space = c == ' ' || c == '\r' || c == '\n';
        if (space && !blank) {
            out += ' ';
        } else if (!space) {
            out += c;
        }
        blank = space;
    }
    while (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    const EndingInfo& e = info(s.ending);
    if (e.close == Close::StopText) {
        if (!out.empty()) {
            out += ' ';
        }
        out += e.stop_text;
    }
    if (s.ending == Ending::TooManyEquations) {
        out = "plán má víc než " + std::to_string(JM) +
              " rovnic oprav (úhlů, délek a zenitových úhlů)";
    }
    if (out.empty()) {
        out = std::string(e.kind);
    }
    return out;
}

}  // namespace kavron
