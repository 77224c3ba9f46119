// The console program's command line: the reports beside the listing, help and version. Without
// arguments the program is exactly the console program.
#include <cerrno>
#include <string>
#include <vector>

#include "driver/file_dialog.hpp"
#include "driver/run.hpp"
#include "platform/platform.hpp"

namespace kavron {

namespace {

constexpr std::string_view kUsage =
    "Použití: kavron [--svg SOUBOR] [--json SOUBOR] [--analysis SOUBOR] [--help] [--version]\n";

constexpr std::string_view kHelp =
    "Použití: kavron [--svg SOUBOR] [--json SOUBOR] [--analysis SOUBOR] [--help] [--version]\n"
    "         kavron design VSTUP [--report SOUBOR] [--json SOUBOR] [--svg SOUBOR] [--limit MM]\n"
    "                [--min-r R]\n"
    "         kavron deformation EPOCHA1.json EPOCHA2.json [--stable N,N,...] [--alpha A]\n"
    "                [--report SOUBOR] [--json SOUBOR] [--svg SOUBOR]\n"
    "         kavron check ZADÁNÍ SLOŽKA... [--report SOUBOR] [--csv SOUBOR] [--json SOUBOR]\n"
    "Vyrovnání malé prostorové geodetické sítě. Jména souborů a úlohu zadáte v dialogu\n"
    "na konzoli; výpis výsledků je stejný s volbami i bez nich.\n"
    "\n"
    "  --svg SOUBOR   nakreslí síť s elipsami chyb do SOUBORu (SVG, otevře ho prohlížeč)\n"
    "  --json SOUBOR  zapíše výsledky do SOUBORu (JSON) pro další zpracování skriptem\n"
    "  --analysis SOUBOR\n"
    "                 zapíše do SOUBORu rozbor spolehlivosti měření: které měření\n"
    "                 zkontrolovat, když síť nesedí\n"
    "  --help         vypíše tuto nápovědu\n"
    "  --version      vypíše verzi programu\n"
    "\n"
    "kavron design VSTUP ... spočítá bez dialogu návrh sítě: jaké přesnosti a spolehlivosti\n"
    "plánovaná síť ze VSTUPu dosáhne (z přibližných souřadnic a vah, změřené hodnoty se\n"
    "nepoužívají), zda splní požadavky, a které měření navíc jí nejvíc pomůže.\n"
    "  --report SOUBOR  zpráva o návrhu (text)     --json SOUBOR  návrh jako JSON\n"
    "  --svg SOUBOR     nákres plánu s 95% elipsami a prvním návrhem\n"
    "  --limit MM       největší dovolená poloosa 95% elipsoidu\n"
    "  --min-r R        nejmenší dovolené číslo nadbytečnosti (0,3, není-li zadáno)\n"
    "\n"
    "kavron deformation EPOCHA1.json EPOCHA2.json ... porovná dvě epochy téže sítě (soubory\n"
    "výsledků z --json): posuny bodů s jejich přesností, test shodnosti stabilních bodů a body,\n"
    "které se posunuly.\n"
    "  --stable N,N,... jen tyto body jsou kandidáty stabilních bodů (ostatní jsou objekt)\n"
    "  --alpha A        hladina testů, 0.05 (není-li zadáno) nebo 0.01\n"
    "  --report, --json, --svg SOUBOR  zpráva, JSON a nákres posunů\n"
    "\n"
    "kavron check ZADÁNÍ SLOŽKA... zkontroluje odevzdané úlohy třídy: v každé SLOŽCE vstup\n"
    "skupiny, její výpis a chybový soubor (poznají se podle obsahu). Řekne, zda výpis dává\n"
    "program z tohoto vstupu, která měření se od ZADÁNÍ liší víc, než dovoluje přesnost\n"
    "(překlepy), a jak se výsledky liší od výsledků ZADÁNÍ. Bez voleb vypíše zprávu sem.\n"
    "  --report SOUBOR  zpráva (text)   --csv SOUBOR  tabulka třídy pro tabulkový procesor\n"
    "  --json SOUBOR    kontrola jako JSON\n"
    "  Stav 0: vše v pořádku, 1: u některé skupiny je nález.\n"
    "\n"
    "Soubory výsledků se zakládají nové: existující soubor program nikdy nepřepíše.\n"
    "Proměnná prostředí SOURCE_DATE_EPOCH (sekundy od 1. 1. 1970 UTC) pevně nastaví datum a čas\n"
    "výpisu, například pro referenční výpisy.\n";

int refuse(ByteWriter& errors, const std::string& problem) {
    errors.write("kavron: " + problem + "\n");
    errors.write(kUsage);
    return 2;
}

// A report asked for on the command line.
struct Wanted {
    std::string option;
    std::string name;
};

// The report files are created before the banner, new like the listing: an existing file is
// never replaced. When one cannot be made, those made already are removed again and the command
// line is refused.
bool create_reports(const std::vector<Wanted>& wanted, const std::filesystem::path& dir,
                    Options& options) {
    std::vector<std::string> made;
    for (const Wanted& w : wanted) {
        const std::string path = path_of(dir, w.name);
        int error = 0;
        std::unique_ptr<RawFile> f = platform::create_file(path, platform::Create::New, &error);
        if (f == nullptr) {
            ByteWriter& errors = *options.errors;
            options = {};
            for (const std::string& m : made) {
                platform::remove_file(m);
            }
            (void)refuse(errors, error == EEXIST ? "soubor již existuje: " + w.name
                                                 : "soubor nelze vytvořit: " + w.name + " (" +
                                                       platform::reason_of(error) + ")");
            return false;
        }
        made.push_back(path);
        const int k = w.option == "--json" ? 0 : w.option == "--svg" ? 1 : 2;
        std::unique_ptr<RawFile>* files[3] = {&options.json, &options.svg, &options.analysis};
        std::string* names[3] = {&options.json_name, &options.svg_name, &options.analysis_name};
        std::string* paths[3] = {&options.json_path, &options.svg_path, &options.analysis_path};
        *files[k] = std::move(f);
        *names[k] = w.name;
        *paths[k] = path;
    }
    return true;
}

}  // namespace

int run_console_command(const std::vector<std::string>& args, LineReader& in, ByteWriter& out,
                        ByteWriter& text, ByteWriter& errors,
                        const std::function<DateTime()>& clock, Storage& storage,
                        const std::filesystem::path& dir) {
    std::vector<Wanted> wanted;  // in the order of the command line
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            text.write(kHelp);
            return 0;
        }
        if (a == "--version") {
            text.write("kavron " KAVRON_VERSION "\n");
            return 0;
        }
        if (a == "--json" || a == "--svg" || a == "--analysis") {
            for (const Wanted& w : wanted) {
                if (w.option == a) {
                    return refuse(errors, "volba " + a + " je zadána dvakrát");
                }
            }
            if (i + 1 == args.size() || args[i + 1].empty()) {
                return refuse(errors, "u volby " + a + " chybí jméno souboru");
            }
            if (args[i + 1].rfind("--", 0) == 0) {
                // Most likely the next option, not a file name ("./--x" names such a file).
                return refuse(errors, "u volby " + a + " chybí jméno souboru (místo něj stojí " +
                                          args[i + 1] + ")");
            }
            wanted.push_back({a, args[++i]});
            continue;
        }
        return refuse(errors, "neznámá volba: " + a);
    }
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        for (std::size_t j = i + 1; j < wanted.size(); ++j) {
            if (wanted[i].name == wanted[j].name) {
                return refuse(errors, "volby " + wanted[i].option + " a " + wanted[j].option +
                                          " nesmějí psát do téhož souboru");
            }
        }
    }

    Options options;
    options.errors = &errors;
    if (!create_reports(wanted, dir, options)) {
        return 2;
    }
    return run_program(in, out, clock, storage, dir, std::move(options));
}

}  // namespace kavron
