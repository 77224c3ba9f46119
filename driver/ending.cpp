#include "driver/ending.hpp"

#include <new>

#include "driver/run_parts.hpp"
#include "platform/platform.hpp"

#include <algorithm>

#include "format/codepage.hpp"

namespace kavron {

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

void say_line(Run& r, Results& res, std::string_view bytes) {
    r.con.text_line(bytes);
    note(res, bytes);
}

}  // namespace

int finish(Run& r, Results& res, const Stop& s) {
    res.ending = s.ending;
    res.ending_text.clear();
    if (s.input_line != 0) {
        res.input_line = s.input_line;
    }
    for (const Said& said : s.said) {
        if (said.record) {
            r.con.record(said.bytes);
            note(res,
                 std::string_view(said.bytes).substr(std::min<std::size_t>(1, said.bytes.size())));
        } else {
            say_line(r, res, said.bytes);
        }
        if (said.pause) {
            (void)r.con.read_line(false);
        }
    }
    const EndingInfo& e = info(s.ending);
    switch (e.close) {
        case Close::Konec:
            r.con.text_line("KONEC");
            break;
        case Close::StopText:
            say_line(r, res, cp852(e.stop_text));
            break;
        case Close::StopPlain:
            say_line(r, res, "Stop - Program terminated.");
            break;
        case Close::Status:
            break;
    }
    return e.status;
}

// The end of a run that could not write one of its files or its console: the message on
// standard error, the ending in the reports; status 4.
int write_failure(Results& res, const std::string& what, int error, ByteWriter* errors) {
    const std::string message = "kavron: " + what + " nelze zapsat: " + platform::reason_of(error);
    if (errors != nullptr) {
        errors->write(message + "\n");
    }
    if (res.ending != Ending::WriteError) {
        res.ending = Ending::WriteError;
        res.ending_text.clear();
        res.ending_note = message;
    }
    return info(Ending::WriteError).status;
}

// A file named in the dialog, for a message.
std::string file_named(const std::string& name) {
    std::string n = name;
    while (!n.empty() && n.back() == ' ') {
        n.pop_back();
    }
    return "soubor " + platform::shown_name(n, true);
}

// Which channel failed: the listing, the diagnostics file or the console.
int channel_failure(Run& r, Results& res, int error, ByteWriter* errors) {
    if (r.lst.failed()) {
        return write_failure(res, file_named(r.ADRESA), r.lst.error(), errors);
    }
    if (r.diag.failed()) {
        return write_failure(res, file_named(r.ADRESC), r.diag.error(), errors);
    }
    return write_failure(res, "standardní výstup", error, errors);
}

namespace {

// The end of a run that met a fault of its own: said on the console, status 3.
int internal_error(Run& r, Results& res, const std::string& what) {
    const int status =
        finish(r, res, stop(Ending::InternalError).line(cp852("Vnitřní chyba programu: ") + what));
    r.con.finish();
    return status;
}

}  // namespace

int finish_guarded(Run& r, Results& res, const std::function<Stop()>& stages) {
    try {
        return finish(r, res, stages());
    } catch (const fmt::LayoutError& e) {
        // A write statement that does not fit its values: say so rather than print a wrong digit.
        return internal_error(r, res, e.what());
    } catch (const std::bad_alloc&) {
        // The memory ran out (a job never needs much: something is badly wrong).
        return internal_error(r, res, cp852("nedostatek paměti"));
    }
}

}  // namespace kavron
