#include "driver/commands.hpp"

#include <cstdint>

#include "core/deformation.hpp"

namespace kavron::commands {

namespace {

constexpr Option kConsoleOptions[] = {
    {"--svg", Value::Report, "SOUBOR",
     "nakreslí síť s elipsami chyb do SOUBORu (SVG, otevře ho prohlížeč)"},
    {"--json", Value::Report, "SOUBOR",
     "zapíše výsledky do SOUBORu (JSON) pro další zpracování skriptem"},
    {"--analysis", Value::Report, "SOUBOR",
     "zapíše do SOUBORu rozbor spolehlivosti měření: které měření\nzkontrolovat, když síť "
     "nesedí"},
    {"--help", Value::Flag, "", "vypíše tuto nápovědu (za jménem nástroje jeho nápovědu)"},
    {"--version", Value::Flag, "", "vypíše verzi programu"},
};

constexpr Option kDesignOptions[] = {
    {"--report", Value::Report, "SOUBOR", "zpráva o návrhu (text)"},
    {"--json", Value::Report, "SOUBOR", "návrh jako JSON"},
    {"--svg", Value::Report, "SOUBOR", "nákres plánu s 95% elipsami a prvním návrhem"},
    {"--limit", Value::Number, "MM", "největší dovolená poloosa 95% elipsoidu",
     [](double x) { return x > 0; }, "mez musí být kladné číslo v mm"},
    {"--min-r", Value::Number, "R", "nejmenší dovolené číslo nadbytečnosti (0,3, není-li zadáno)",
     [](double x) { return x >= 0 && x <= 1; }, "číslo nadbytečnosti je mezi 0 a 1"},
};

constexpr Option kDeformationOptions[] = {
    {"--stable", Value::Points, "N,N,...",
     "jen tyto body jsou kandidáty stabilních bodů (ostatní jsou objekt)", nullptr,
     "čísla bodů oddělená čárkou"},
    {"--alpha", Value::Number, "A", "hladina testů, 0,05 (není-li zadáno) nebo 0,01",
     [](double x) { return supported_alpha(x); }, "hladina testů je 0,05 nebo 0,01"},
    {"--report", Value::Report, "SOUBOR", "zpráva o porovnání (text)"},
    {"--json", Value::Report, "SOUBOR", "porovnání jako JSON"},
    {"--svg", Value::Report, "SOUBOR", "nákres posunů"},
};

constexpr Option kCheckOptions[] = {
    {"--report", Value::Report, "SOUBOR", "zpráva (text)"},
    {"--csv", Value::Report, "SOUBOR", "tabulka třídy pro tabulkový procesor"},
    {"--json", Value::Report, "SOUBOR", "kontrola jako JSON"},
};

constexpr Option kImportOptions[] = {
    {"--output", Value::Report, "VSTUP",
     "vstupní soubor, který import zapíše (kódová stránka 1250)"},
    {"--only", Value::Text, "ID,ID,...",
     "jen tyto body (ostatní záznamy se vynechají a spočítají)"},
    {"--station", Value::Text, "ID", "stanovisko záznamů, které žádné stanovisko nemají"},
    {"--points", Value::File, "SOUBOR",
     "body, kódy a přibližné souřadnice ze vstupu nebo plánu programu"},
    {"--title", Value::Text, "TEXT", "řádek akce vstupu (jinak 'Import z' a jména souborů)"},
    {"--refraction", Value::Number, "K", "koeficient refrakce (0,13, není-li zadáno)",
     [](double x) { return x >= 0 && x < 1; }, "koeficient refrakce je od 0 do 1"},
    {"--no-curvature", Value::Flag, "", "zenitové úhly bez opravy o zakřivení Země a refrakci"},
    {"--sd-direction", Value::Number, "CC", "sd směru jedné skupiny (3 cc, není-li zadáno)",
     [](double x) { return x > 0 && x < 1e6; }, "směrodatná odchylka musí být kladná"},
    {"--sd-zenith", Value::Number, "CC", "sd zenitového úhlu jedné skupiny (10 cc)",
     [](double x) { return x > 0 && x < 1e6; }, "směrodatná odchylka musí být kladná"},
    {"--sd-distance", Value::Number, "MM", "sd délky jedné skupiny (1 mm)",
     [](double x) { return x > 0 && x < 1e6; }, "směrodatná odchylka musí být kladná"},
    {"--report", Value::Report, "SOUBOR", "zpráva o importu (text)"},
    {"--json", Value::Report, "SOUBOR", "import jako JSON"},
};

}  // namespace

const Command kConsole{
    .extra = "neznámá volba",
    .options = kConsoleOptions,
    .about =
        "Vyrovnání malé prostorové geodetické sítě. Jména souborů a úlohu zadáte v dialogu\n"
        "na konzoli; výpis výsledků je stejný s volbami i bez nich."};

const Command kDesign{
    .name = "design",
    .operands = "VSTUP",
    .min_operands = 1,
    .max_operands = 1,
    .missing = "chybí vstupní soubor",
    .extra = "druhý vstup",
    .options = kDesignOptions,
    .about =
        "kavron design VSTUP ... spočítá bez dialogu návrh sítě: jaké přesnosti a "
        "spolehlivosti\n"
        "plánovaná síť ze VSTUPu dosáhne (z přibližných souřadnic a vah, změřené hodnoty "
        "se\n"
        "nepoužívají), zda splní požadavky, a které měření navíc jí nejvíc pomůže.\n"
        "Stav 0: návrh je hotov, 1: plán nelze vyrovnat, 2: chybný příkaz nebo vstup."};

const Command kDeformation{
    .name = "deformation",
    .operands = "EPOCHA1.json EPOCHA2.json",
    .min_operands = 2,
    .max_operands = 2,
    .missing = "chybí soubory výsledků obou epoch",
    .extra = "třetí vstup",
    .options = kDeformationOptions,
    .about =
        "kavron deformation EPOCHA1.json EPOCHA2.json ... porovná dvě epochy téže sítě "
        "(soubory\n"
        "výsledků z --json): posuny bodů s jejich přesností, test shodnosti stabilních bodů "
        "a body,\n"
        "které se posunuly.\n"
        "Stav 0: porovnání je hotovo, 1: hotovo, ale data nestačí na jednoznačný závěr,\n"
        "2: chybný příkaz nebo soubor."};

const Command kCheck{
    .name = "check",
    .operands = "ZADÁNÍ SLOŽKA...",
    .min_operands = 2,
    .max_operands = SIZE_MAX,
    .missing = "chybí zadání nebo složky skupin",
    .options = kCheckOptions,
    .about =
        "kavron check ZADÁNÍ SLOŽKA... zkontroluje odevzdané úlohy třídy: v každé SLOŽCE "
        "vstup\n"
        "skupiny, její výpis a chybový soubor (poznají se podle obsahu). Řekne, zda výpis "
        "dává\n"
        "program z tohoto vstupu, která měření se od ZADÁNÍ liší víc, než dovoluje přesnost\n"
        "(překlepy), a jak se výsledky liší od výsledků ZADÁNÍ. Bez voleb vypíše zprávu "
        "sem.\n"
        "Stav 0: vše v pořádku, 1: u některé skupiny je nález."};

const Command kImport{
    .name = "import",
    .operands = "ZÁZNAM...",
    .min_operands = 1,
    .max_operands = SIZE_MAX,
    .missing = "chybí soubor záznamu (GSI nebo zápisník)",
    .options = kImportOptions,
    .about =
        "kavron import ZÁZNAM... --output VSTUP ... přečte záznamy totální stanice\n"
        "(Leica GSI-8 a GSI-16) nebo zápisník programu, spojí obě polohy dalekohledu,\n"
        "zredukuje skupiny, převede délky a zenitové úhly na značky a do místní soustavy,\n"
        "zkontroluje je jako zápisník v terénu a zapíše vstupní soubor programu.\n"
        "Stav 0: zapsáno bez nálezů, 1: zapsáno s nálezy (ve zprávě), 2: odmítnuto,\n"
        "4: soubor nelze zapsat."};

namespace {
const Command* const kAll[] = {&kConsole, &kDesign, &kDeformation, &kCheck, &kImport};
}  // namespace

std::span<const Command* const> all() {
    return kAll;
}

const Command* tool_named(std::string_view name) {
    for (const Command* c : kAll) {
        if (!c->name.empty() && c->name == name) {
            return c;
        }
    }
    return nullptr;
}

}  // namespace kavron::commands
