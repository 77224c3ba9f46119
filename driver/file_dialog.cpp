#include "driver/file_dialog.hpp"

#include <optional>

#include "core/exits.hpp"
#include "format/codepage.hpp"
#include "platform/platform.hpp"

namespace kavron {

using fmt::lit;
using fmt::raw;

namespace {

std::string rtrim(std::string s) {
    while (!s.empty() && s.back() == ' ') {
        s.pop_back();
    }
    return s;
}

// Asks for a file name (its two prompt records, then 24 characters of the answer into a
// 26-character name) until `try_open` takes it: try_open returns nothing to ask again (having
// said why), or how the run goes on. An empty answer asks again; the end of the console input
// ends the run.
template <typename TryOpen>
Flow ask_until(Run& r, std::string_view prompt, std::string& name, TryOpen try_open) {
    for (;;) {
        r.con.list({lit(prompt)});
        r.con.list({lit("zadejte celou adresu               ")});
        const auto line = r.con.read_line();
        if (!line) {
            if (r.con.input_ended()) {
                return end_with(r, Ending::ConsoleEnded);
            }
            continue;
        }
        name = line->substr(0, 24);
        name.resize(26, ' ');
        if (rtrim(name).empty()) {
            continue;
        }
        if (const std::optional<Flow> f = try_open(platform::typed_name(rtrim(name)))) {
            return *f;
        }
    }
}

// The first record of every diagnostics file.
const fmt::Layout kFirstRecord = {fmt::T(" "), fmt::T(" Toto okno slouží ke kontrole dat. ")};

// Whether the diagnostics file may be (re)made at the path: nothing is there, something that is
// not a regular file, an empty file, or a diagnostics file of this program.
bool may_replace(const std::string& path) {
    const std::string first =
        fmt::format_records(kFirstRecord, {}, CodePage::Cp1250).at(0) + "\r\n";
    std::string head;
    switch (platform::look_at(path, head, first.size())) {
        case platform::Found::Nothing:
        case platform::Found::Other:
            return true;
        case platform::Found::Regular:
            break;
    }
    return head.empty() || head == first;
}

bool is_report(const std::string& path, const std::vector<std::string>& reports) {
    for (const std::string& rep : reports) {
        if (platform::same_file(path, rep)) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string path_of(const std::filesystem::path& dir, const std::string& name) {
    std::string n = rtrim(name);
    if (dir.empty() || std::filesystem::path(n).is_absolute()) {
        return n;
    }
    return (dir / n).string();
}

Flow file_dialog(Run& r, const std::filesystem::path& dir,
                 const std::vector<std::string>& reports) {
    using namespace fmt;
    Task& t = r.t;
    KAVRON_TRY(
        ask_until(r, "Jméno chybového  souboru (ERR$$$.TXT)        ", t.ADRESC,
                  [&](const std::string& name) -> std::optional<Flow> {
                      const std::string path = path_of(dir, name);
                      if (is_report(path, reports) || !may_replace(path)) {
                          r.con.write({T(" "), A(24), T(" - tento soubor existuje a není chybový")},
                                      {raw(t.ADRESC)});
                          return std::nullopt;
                      }
                      r.diag.attach(platform::create_file(path, platform::Create::Replace));
                      if (r.diag.is_open()) {
                          return Flow::go();
                      }
                      ending(r, Ending::DiagnosticsFile);
                      r.con.list({lit("Chybový soubor nelze otevřít: "), raw(rtrim(t.ADRESC))});
                      return close_run(r);
                  }));
    r.diag.write({kFirstRecord[0], kFirstRecord[1], E(), E()});
    KAVRON_TRY(ask_until(
        r, "Jméno výstupního souboru (pro tisk výsledků) ", t.ADRESA,
        [&](const std::string& name) -> std::optional<Flow> {
            r.lst.attach(platform::create_file(path_of(dir, name), platform::Create::New));
            if (r.lst.is_open()) {
                return Flow::go();
            }
            r.con.write({T(" "), A(24), T(" - tento soubor již existuje")}, {raw(t.ADRESA)});
            return std::nullopt;
        }));
    KAVRON_TRY(ask_until(
        r, "Jméno vstupního souboru (souřadnice,směry,délky,..) ", t.ADRESB,
        [&](const std::string& name) -> std::optional<Flow> {
            const std::string path = path_of(dir, name);
            std::string bytes;
            if (!is_report(path, reports) && platform::read_file(path, bytes)) {
                r.inp.load(bytes);
                return Flow::go();
            }
            r.con.write({T(" "), A(24), T(" - tento soubor neexistuje")}, {raw(t.ADRESB)});
            return std::nullopt;
        }));
    r.diag.write({T(" "), A(30), A(30)}, {raw(t.ADRESA), raw(t.ADRESB)});
    return Flow::go();
}

}  // namespace kavron
