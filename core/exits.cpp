#include "core/exits.hpp"

#include <algorithm>

#include "format/codepage.hpp"

namespace kavron {

using fmt::lit;
using fmt::raw;

void ending(Run& r, Ending e) {
    r.res.ending = e;
    r.res.ending_from = r.con.transcript().size();
}

Flow close_run(Run& r) {
    const EndingInfo& e = info(r.res.ending);
    switch (e.close) {
        case Close::Konec:
            r.con.text_line("KONEC");
            break;
        case Close::StopText:
            r.con.text_line(cp852(e.stop_text));
            break;
        case Close::StopPlain:
            r.con.text_line("Stop - Program terminated.");
            break;
        case Close::Status:
            break;
    }
    return Flow::halt(e.status);
}

Flow end_with(Run& r, Ending e) {
    ending(r, e);
    return close_run(r);
}

void pause(Run& r, std::string_view bytes) {
    r.con.text_line(bytes);
    (void)r.con.read_line(false);
}

Flow exit_input_error(Run& r) {
    Task& t = r.t;
    ending(r, Ending::InputError);
    // The legacy count NS counts reads, not lines: the reports give the line itself too.
    r.res.input_line = static_cast<int>(std::min(r.inp.current_record(), r.inp.records()));
    r.con.list({lit("  chyba ve čtení vstupních dat na řádku č.: "), t.NS});
    std::string CHYBAR;
    if (r.inp.text_read(CHYBAR, 40, 40) != ReadStatus::Ok) {
        r.res.ending = Ending::ReadError;
        r.con.list({lit("Chyba při čtení vstupního souboru")});
        return close_run(r);
    }
    using namespace fmt;
    r.diag.write({T(" Chyba ve čtení vstupního souboru na řádku č.:"), I(4)}, {t.NS});
    r.diag.record(CHYBAR);
    return close_run(r);
}

Flow exit_no_database(Run& r) {
    ending(r, Ending::NoDatabase);
    r.con.list({lit("Žadná DATABAZE bodů není inicializovaná ")});
    return close_run(r);
}

Flow exit_point_not_listed(Run& r) {
    ending(r, Ending::PointNotListed);
    r.con.list({lit("Číslo stanoviska nebo cíle neexistuje v seznamu")});
    r.con.list({lit("souřadnic")});
    r.con.list({lit("Proveďte opravu dat, smažte  výstupní soubor - "), raw(r.t.ADRESA)});
    r.con.list({lit("a znovu proveďte výpočet")});
    return close_run(r);
}

Flow exit_coincident(Run& r, int n1, int n2, int n3, int i1, int j1, int k1) {
    ending(r, Ending::CoincidentPoints);
    r.con.list({lit(" Chyba - Jsou zadány stejné souřadnice pro dva body")});
    r.con.list({lit(" Čísla bodů: "), n1, n2, n3});
    r.con.list({lit(" Čísla indexů:"), i1, j1, k1});
    return close_run(r);
}

Flow exit_underdetermined(Run& r) {
    ending(r, Ending::Underdetermined);
    r.con.list({lit(" Chyba - úloha je nedostatečně určena")});
    r.con.list({lit("         tj. malý počet podmínek umístění sítě")});
    r.con.list({lit("         nebo nedostatečné zaměření sítě")});
    return close_run(r);
}

Flow exit_too_many_conditions(Run& r) {
    ending(r, Ending::TooManyConditions);
    pause(r, "JP < IG");
    return close_run(r);
}

Flow exit_row_mismatch(Run& r) {
    ending(r, Ending::RowMismatch);
    pause(r, "IXD <> NM");
    return close_run(r);
}

Flow exit_weights_singular(Run& r) {
    ending(r, Ending::WeightsSingular);
    pause(r, cp852("chyba v zadání - zkontrolujte sořadnice, kódy,vstupní vel."));
    for (int i = 1; i <= r.t.NR; ++i) {
        r.con.list({lit("p(i,i) ="), i, r.t.PP(i, i)});
        pause(r, cp1250("dále ?"));
    }
    return close_run(r);
}

Flow exit_qi_singular(Run& r) {
    ending(r, Ending::EquationCofactorsSingular);
    pause(r, "chyba v inverzi QI()");
    return close_run(r);
}

Flow exit_solution_singular(Run& r) {
    ending(r, Ending::SolutionSingular);
    pause(r, cp852("singularita řešení  "));
    r.con.list({lit(" zřejmě špatně zadané podmínky na umístění sítě,")});
    r.con.list({lit(" nejprve ale proveďte kontrolu vstupních veličin")});
    return close_run(r);
}

Flow exit_dimensions(Run& r) {
    ending(r, Ending::Dimensions);
    r.con.list({lit("  chyba v dimenzích   při rozšiřování matic H(), R()")});
    return close_run(r);
}

Flow exit_dimension_not_restored(Run& r) {
    ending(r, Ending::DimensionNotRestored);
    r.con.list({lit("  nesouhlasí dimenze n před redukcí a po návratu")});
    return close_run(r);
}

Flow exit_no_convergence(Run& r) {
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
    ending(r, Ending::NoConvergence);
    for (std::string_view line : kAdvice) {
        r.con.list({lit(line)});
    }
    return close_run(r);
}

}  // namespace kavron
