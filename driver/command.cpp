// The command line: the reports beside the listing, help and version. Without arguments the
// program is exactly the console program.
#include <cstdio>
#include <string>
#include <vector>

#include "driver/platform.hpp"
#include "driver/run.hpp"

namespace kavron {

namespace {

constexpr std::string_view kUsage =
    "Použití: kavron [--svg SOUBOR] [--json SOUBOR] [--help] [--version]\n";

constexpr std::string_view kHelp =
    "Použití: kavron [--svg SOUBOR] [--json SOUBOR]\n"
    "Vyrovnání malé prostorové geodetické sítě. Jména souborů a úlohu zadáte v dialogu\n"
    "na konzoli; výpis výsledků je stejný s volbami i bez nich.\n"
    "\n"
    "  --svg SOUBOR   nakreslí síť s elipsami chyb do SOUBORu (SVG, otevře ho prohlížeč)\n"
    "  --json SOUBOR  zapíše výsledky do SOUBORu (JSON) pro další zpracování skriptem\n"
    "  --help         vypíše tuto nápovědu\n"
    "  --version      vypíše verzi programu\n"
    "\n"
    "Proměnná prostředí SOURCE_DATE_EPOCH (sekundy od 1. 1. 1970 UTC) pevně nastaví datum a čas\n"
    "výpisu, například pro referenční výpisy.\n";

void say(ByteWriter& w, std::string_view text) {
    w.write(text);
}

int refuse(ByteWriter& errors, const std::string& problem) {
    say(errors, "kavron: " + problem + "\n");
    say(errors, kUsage);
    return 2;
}

}  // namespace

int run_command(const std::vector<std::string>& args, LineReader& in, ByteWriter& out,
                ByteWriter& text, ByteWriter& errors, const std::function<DateTime()>& clock,
                Task& t, const std::filesystem::path& dir) {
    std::string json, svg;
    bool want_json = false, want_svg = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            say(text, kHelp);
            return 0;
        }
        if (a == "--version") {
            say(text, "kavron 3.09\n");
            return 0;
        }
        if (a == "--json" || a == "--svg") {
            bool& wanted = a == "--json" ? want_json : want_svg;
            if (wanted) {
                return refuse(errors, "volba " + a + " je zadána dvakrát");
            }
            if (i + 1 == args.size() || args[i + 1].empty()) {
                return refuse(errors, "u volby " + a + " chybí jméno souboru");
            }
            wanted = true;
            (a == "--json" ? json : svg) = args[++i];
            continue;
        }
        return refuse(errors, "neznámá volba: " + a);
    }

    if (want_json && want_svg && json == svg) {
        return refuse(errors, "volby --json a --svg nesmějí psát do téhož souboru");
    }

    // Both files are made before the banner, so that a bad name is told before the dialog. No
    // file is touched unless both can be made: each is first opened without changing what is
    // there, and one that did not exist is removed again when the other fails.
    struct Wanted {
        bool on;
        std::string name;
        std::string path;
        bool existed = false;
        std::FILE* f = nullptr;
    };
    Wanted files[2] = {{want_json, json, path_of(dir, json)}, {want_svg, svg, path_of(dir, svg)}};
    for (Wanted& w : files) {
        if (!w.on) {
            continue;
        }
        if (std::FILE* probe = platform::open_file(w.path, platform::Open::Read)) {
            std::fclose(probe);
            w.existed = true;
        }
        w.f = platform::open_file(w.path, platform::Open::Keep);
        if (w.f == nullptr) {
            for (Wanted& other : files) {
                if (other.f != nullptr) {
                    std::fclose(other.f);
                    if (!other.existed) {
                        platform::remove_file(other.path);
                    }
                }
            }
            return refuse(errors, "soubor nelze vytvořit: " + w.name);
        }
    }
    Reports reports;
    for (Wanted& w : files) {
        if (w.f != nullptr) {
            std::fclose(w.f);
            (&w == &files[0] ? reports.json : reports.svg) =
                platform::open_file(w.path, platform::Open::Replace);
        }
    }
    const int status = run_program(in, out, clock, t, dir, reports);
    for (std::FILE* f : {reports.json, reports.svg}) {
        if (f != nullptr) {
            std::fclose(f);
        }
    }
    return status;
}

}  // namespace kavron
