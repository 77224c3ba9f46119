#include "driver/file_dialog.hpp"

#include "core/listing_texts.hpp"

#include <cerrno>
#include <optional>

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
Halt ask_until(Run& r, std::string_view prompt, std::string& name, TryOpen try_open) {
    for (;;) {
        r.con.list({lit(prompt)});
        r.con.list({lit("zadejte celou adresu               ")});
        const auto line = r.con.read_line();
        if (!line) {
            if (r.con.input_ended()) {
                return stop(Ending::ConsoleEnded);
            }
            continue;
        }
        name = line->substr(0, 24);
        name.resize(26, ' ');
        if (rtrim(name).empty()) {
            continue;
        }
        if (const std::optional<Halt> h = try_open(platform::typed_name(rtrim(name)))) {
            return *h;
        }
    }
}

// The first record of every diagnostics file.
const fmt::Layout kFirstRecord = {fmt::T(" "), fmt::T(listing_text::kDiagnosticsFirst)};

// Whether the diagnostics file may be (re)made at the path: nothing is there, something that is
// not a regular file, an empty file, or a diagnostics file of this program. A regular file that
// cannot be read may hold anything: it is not replaced.
bool may_replace(const std::string& path) {
    const std::string first =
        fmt::format_records(kFirstRecord, {}, CodePage::Cp1250).at(0) + "\r\n";
    std::string head;
    switch (platform::look_at(path, head, first.size())) {
        case platform::Found::Nothing:
        case platform::Found::Other:
            return true;
        case platform::Found::Unreadable:
            return false;
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

// A line for the user's terminal beside the console's fixed refusal: what is really wrong with
// the file the answer (`field`, console bytes) names.
void tell(Run& r, const std::string& field, const std::string& what) {
    if (r.errors != nullptr) {
        std::string name = platform::shown_name(rtrim(field), true);
        for (char& c : name) {  // a control character typed in the name reaches no terminal
            c = static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
        }
        r.errors->write("kavron: soubor " + name + ": " + what + "\n");
    }
}

constexpr const char* kReportOfTheRun = "do tohoto souboru zapíše výsledky tento výpočet";

}  // namespace

std::string path_of(const std::filesystem::path& dir, const std::string& name) {
    std::string n = rtrim(name);
    if (dir.empty() || std::filesystem::path(n).is_absolute()) {
        return n;
    }
    return (dir / n).string();
}

namespace {

using fmt::A;
using fmt::T;

// What the answer to the diagnostics file's prompt leads to (see ask_until).
std::optional<Halt> open_diagnostics(Run& r, const std::string& path,
                                     const std::vector<std::string>& reports) {
    const char* refusal = is_report(path, reports) ? kReportOfTheRun
                          : !may_replace(path) ? "existuje a není chybovým souborem tohoto programu"
                                               : nullptr;
    if (refusal != nullptr) {
        tell(r, r.ADRESC, refusal);
        r.con.write({T(" "), A(24), T(" - tento soubor existuje a není chybový")}, {raw(r.ADRESC)});
        return std::nullopt;
    }
    int error = 0;
    r.diag.attach(platform::create_file(path, platform::Create::Replace, &error));
    if (r.diag.is_open()) {
        return Halt();
    }
    tell(r, r.ADRESC, "nelze vytvořit: " + platform::reason_of(error));
    return stop(Ending::DiagnosticsFile)
        .say({lit("Chybový soubor nelze otevřít: "), raw(rtrim(r.ADRESC))});
}

// The listing's prompt: a new file only.
std::optional<Halt> open_listing(Run& r, const std::string& path,
                                 const std::vector<std::string>& reports) {
    int error = 0;
    r.lst.attach(platform::create_file(path, platform::Create::New, &error));
    if (r.lst.is_open()) {
        return Halt();
    }
    if (is_report(path, reports)) {
        tell(r, r.ADRESA, kReportOfTheRun);
    } else if (error != EEXIST) {
        tell(r, r.ADRESA, "nelze vytvořit: " + platform::reason_of(error));
    }
    r.con.write({T(" "), A(24), T(" - tento soubor již existuje")}, {raw(r.ADRESA)});
    return std::nullopt;
}

// The input file's prompt: a file that can be read whole.
std::optional<Halt> open_input(Run& r, const std::string& path,
                               const std::vector<std::string>& reports) {
    std::string bytes;
    int error = 0;
    if (is_report(path, reports)) {
        tell(r, r.ADRESB, kReportOfTheRun);
    } else {
        switch (platform::read_file(path, bytes, &error)) {
            case platform::ReadResult::Ok:
                r.inp.load(bytes);
                return Halt();
            case platform::ReadResult::TooLarge:
                tell(r, r.ADRESB, "je větší než 1 MB, vstupní soubor to být nemůže");
                break;
            case platform::ReadResult::Cannot:
                if (error != ENOENT) {
                    tell(r, r.ADRESB, "nelze přečíst: " + platform::reason_of(error));
                }
                break;
        }
    }
    r.con.write({T(" "), A(24), T(" - tento soubor neexistuje")}, {raw(r.ADRESB)});
    return std::nullopt;
}

}  // namespace

Halt file_dialog(Run& r, const std::filesystem::path& dir,
                 const std::vector<std::string>& reports) {
    const auto opened = [&](auto open) {
        return [&r, &dir, &reports, open](const std::string& name) {
            return open(r, path_of(dir, name), reports);
        };
    };
    if (Halt h = ask_until(r, "Jméno chybového  souboru (ERR$$$.TXT)        ", r.ADRESC,
                           opened(open_diagnostics))) {
        return h;
    }
    diagnostics_opened(r);
    if (Halt h = ask_until(r, "Jméno výstupního souboru (pro tisk výsledků) ", r.ADRESA,
                           opened(open_listing))) {
        return h;
    }
    if (Halt h = ask_until(r, "Jméno vstupního souboru (souřadnice,směry,délky,..) ", r.ADRESB,
                           opened(open_input))) {
        return h;
    }
    diagnostics_named(r);
    return std::nullopt;
}

void diagnostics_opened(Run& r) {
    r.diag.write({kFirstRecord[0], kFirstRecord[1], fmt::E(), fmt::E()});
}

void diagnostics_named(Run& r) {
    r.diag.write({fmt::T(" "), fmt::A(30), fmt::A(30)}, {raw(r.ADRESA), raw(r.ADRESB)});
}

}  // namespace kavron
