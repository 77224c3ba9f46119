#include "core/exits.hpp"

#include <algorithm>

#include "format/codepage.hpp"

namespace kavron {

using fmt::lit;
using fmt::raw;

namespace {

// Adds a text of the ending, as the console shows it (code page 852), to the ending's text in
// UTF-8: its lines with the blanks at their ends dropped, empty ones left out.
void note(Results& res, std::string_view bytes) {
    const std::string utf8 = decode(bytes, CodePage::Cp852);
    std::size_t start = 0;
    while (start <= utf8.size()) {
        const std::size_t end = std::min(utf8.find_first_of("\r\n", start), utf8.size());
        const std::string_view line = std::string_view(utf8).substr(start, end - start);
        const std::size_t a = line.find_first_not_of(' ');
        if (a != std::string_view::npos) {
            if (!res.ending_text.empty()) {
                res.ending_text.push_back('\n');
            }
            res.ending_text.append(line.substr(a, line.find_last_not_of(' ') - a + 1));
        }
        start = end + 1;
    }
}

}  // namespace

void ending(Run& r, Ending e) {
    r.res.ending = e;
    r.res.ending_text.clear();
}

void say(Run& r, std::initializer_list<fmt::Val> vals) {
    for (const std::string& rec : fmt::list_records({vals.begin(), vals.size()}, CodePage::Cp852)) {
        r.con.record(rec);
        note(r.res, std::string_view(rec).substr(std::min<std::size_t>(1, rec.size())));
    }
}

void say_line(Run& r, std::string_view bytes) {
    r.con.text_line(bytes);
    note(r.res, bytes);
}

Flow close_run(Run& r) {
    const EndingInfo& e = info(r.res.ending);
    switch (e.close) {
        case Close::Konec:
            r.con.text_line("KONEC");
            break;
        case Close::StopText:
            say_line(r, cp852(e.stop_text));
            break;
        case Close::StopPlain:
            say_line(r, "Stop - Program terminated.");
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
    say_line(r, bytes);
    (void)r.con.read_line(false);
}

Flow exit_input_error(Run& r) {
    Task& t = r.t;
    ending(r, Ending::InputError);
    // The legacy count NS counts reads, not lines: the reports give the line itself too.
    r.res.input_line = static_cast<int>(std::min(r.inp.current_record(), r.inp.records()));
    say(r, {lit("  chyba ve čtení vstupních dat na řádku č.: "), t.NS});
    std::string CHYBAR;
    if (r.inp.text_read(CHYBAR, 40, 40) != ReadStatus::Ok) {
        r.res.ending = Ending::ReadError;
        say(r, {lit("Chyba při čtení vstupního souboru")});
        return close_run(r);
    }
    using namespace fmt;
    r.diag.write({T(" Chyba ve čtení vstupního souboru na řádku č.:"), I(4)}, {t.NS});
    r.diag.record(CHYBAR);
    return close_run(r);
}

Flow exit_no_database(Run& r) {
    ending(r, Ending::NoDatabase);
    say(r, {lit("Žadná DATABAZE bodů není inicializovaná ")});
    return close_run(r);
}

Flow exit_point_not_listed(Run& r) {
    ending(r, Ending::PointNotListed);
    say(r, {lit("Číslo stanoviska nebo cíle neexistuje v seznamu")});
    say(r, {lit("souřadnic")});
    say(r, {lit("Proveďte opravu dat, smažte  výstupní soubor - "), raw(r.t.ADRESA)});
    say(r, {lit("a znovu proveďte výpočet")});
    return close_run(r);
}

Flow exit_coincident(Run& r, int n1, int n2, int n3, int i1, int j1, int k1) {
    ending(r, Ending::CoincidentPoints);
    say(r, {lit(" Chyba - Jsou zadány stejné souřadnice pro dva body")});
    say(r, {lit(" Čísla bodů: "), n1, n2, n3});
    say(r, {lit(" Čísla indexů:"), i1, j1, k1});
    return close_run(r);
}

Flow exit_underdetermined(Run& r) {
    ending(r, Ending::Underdetermined);
    say(r, {lit(" Chyba - úloha je nedostatečně určena")});
    say(r, {lit("         tj. malý počet podmínek umístění sítě")});
    say(r, {lit("         nebo nedostatečné zaměření sítě")});
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
        say(r, {lit("p(i,i) ="), i, r.t.PP(i, i)});
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
    say(r, {lit(" zřejmě špatně zadané podmínky na umístění sítě,")});
    say(r, {lit(" nejprve ale proveďte kontrolu vstupních veličin")});
    return close_run(r);
}

Flow exit_dimensions(Run& r) {
    ending(r, Ending::Dimensions);
    say(r, {lit("  chyba v dimenzích   při rozšiřování matic H(), R()")});
    return close_run(r);
}

Flow exit_dimension_not_restored(Run& r) {
    ending(r, Ending::DimensionNotRestored);
    say(r, {lit("  nesouhlasí dimenze n před redukcí a po návratu")});
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
        say(r, {lit(line)});
    }
    return close_run(r);
}

}  // namespace kavron
