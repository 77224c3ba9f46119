#include "driver/exits.hpp"

namespace kavron {

using fmt::lit;
using fmt::raw;

void ending(Run& r, std::string_view kind) {
    r.rep.ending = kind;
    r.rep.ending_from = r.con.transcript().size();
}

Flow end_sequence(Run& r) {
    r.con.text_line("KONEC");
    return Flow::halt(0);
}

Flow stop_text(Run& r, std::string_view bytes) {
    r.con.text_line(bytes);
    return Flow::halt(0);
}

Flow stop_plain(Run& r) {
    return stop_text(r, "Stop - Program terminated.");
}

void pause(Run& r, std::string_view bytes) {
    r.con.text_line(bytes);
    (void)r.con.read_line(false);
}

Flow exit_input_error(Run& r) {
    Task& t = r.t;
    ending(r, "input_error");
    r.con.list({lit("  chyba ve čtení vstupních dat na řádku č.: "), t.NS});
    std::string CHYBAR;
    if (r.inp.text_read(CHYBAR, 40, 40) != ReadStatus::Ok) {
        r.rep.ending = "read_error";
        r.con.list({lit("Chyba při čtení vstupního souboru")});
        return Flow::halt(1);
    }
    using namespace fmt;
    r.diag.write({T(" Chyba ve čtení vstupního souboru na řádku č.:"), I(4)}, {t.NS});
    r.diag.record(CHYBAR);
    return end_sequence(r);
}

Flow exit_no_database(Run& r) {
    ending(r, "no_database");
    r.con.list({lit("Žadná DATABAZE bodů není inicializovaná ")});
    return end_sequence(r);
}

Flow exit_point_not_listed(Run& r) {
    ending(r, "point_not_listed");
    r.con.list({lit("Číslo stanoviska nebo cíle neexistuje v seznamu")});
    r.con.list({lit("souřadnic")});
    r.con.list({lit("Proveďte opravu dat, smažte  výstupní soubor - "), raw(r.t.ADRESA)});
    r.con.list({lit("a znovu proveďte výpočet")});
    return end_sequence(r);
}

Flow exit_coincident(Run& r, int n1, int n2, int n3, int i1, int j1, int k1) {
    ending(r, "coincident_points");
    r.con.list({lit(" Chyba - Jsou zadány stejné souřadnice pro dva body")});
    r.con.list({lit(" Čísla bodů: "), n1, n2, n3});
    r.con.list({lit(" Čísla indexů:"), i1, j1, k1});
    return stop_plain(r);
}

Flow exit_underdetermined(Run& r) {
    ending(r, "underdetermined");
    r.con.list({lit(" Chyba - úloha je nedostatečně určena")});
    r.con.list({lit("         tj. malý počet podmínek umístění sítě")});
    r.con.list({lit("         nebo nedostatečné zaměření sítě")});
    return stop_plain(r);
}

Flow exit_too_many_conditions(Run& r) {
    ending(r, "too_many_conditions");
    pause(r, "JP < IG");
    return end_sequence(r);
}

Flow exit_row_mismatch(Run& r) {
    ending(r, "row_mismatch");
    pause(r, "IXD <> NM");
    return end_sequence(r);
}

Flow exit_weights_singular(Run& r) {
    ending(r, "weights_singular");
    pause(r, cp852("chyba v zadání - zkontrolujte sořadnice, kódy,vstupní vel."));
    for (int i = 1; i <= r.t.NR; ++i) {
        r.con.list({lit("p(i,i) ="), i, r.t.PP(i, i)});
        pause(r, cp1250("dále ?"));
    }
    return end_sequence(r);
}

Flow exit_qi_singular(Run& r) {
    ending(r, "equation_cofactors_singular");
    pause(r, "chyba v inverzi QI()");
    return end_sequence(r);
}

Flow exit_solution_singular(Run& r) {
    ending(r, "solution_singular");
    pause(r, cp852("singularita řešení  "));
    r.con.list({lit(" zřejmě špatně zadané podmínky na umístění sítě,")});
    r.con.list({lit(" nejprve ale proveďte kontrolu vstupních veličin")});
    return end_sequence(r);
}

Flow exit_dimensions(Run& r) {
    ending(r, "dimensions");
    r.con.list({lit("  chyba v dimenzích   při rozšiřování matic H(), R()")});
    return end_sequence(r);
}

Flow exit_dimension_not_restored(Run& r) {
    ending(r, "dimension_not_restored");
    r.con.list({lit("  nesouhlasí dimenze n před redukcí a po návratu")});
    return end_sequence(r);
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
    ending(r, "no_convergence");
    for (std::string_view line : kAdvice) {
        r.con.list({lit(line)});
    }
    return end_sequence(r);
}

}  // namespace kavron
