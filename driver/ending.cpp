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
void note(Outcome& end, std::string_view bytes) {
    const std::string utf8 = decode(bytes, CodePage::Cp852);
    std::size_t start = 0;
    while (start <= utf8.size()) {
        const std::size_t stop = std::min(utf8.find_first_of("\r\n", start), utf8.size());
        const std::string_view line = std::string_view(utf8).substr(start, stop - start);
        const std::size_t a = line.find_first_not_of(' ');
        if (a != std::string_view::npos) {
            if (!end.text.empty()) {
                end.text.push_back('\n');
            }
            end.text.append(line.substr(a, line.find_last_not_of(' ') - a + 1));
        }
        start = stop + 1;
    }
}

void say_line(Run& r, Outcome& end, std::string_view bytes) {
    r.con.text_line(bytes);
    note(end, bytes);
}

}  // namespace

int finish(Run& r, Outcome& end, const Stop& s) {
    end.ending = s.ending;
    end.text.clear();
    if (s.input_line != 0) {
        end.input_line = s.input_line;
    }
    for (const Said& said : s.said) {
        if (said.record) {
            r.con.record(said.bytes);
            note(end,
                 std::string_view(said.bytes).substr(std::min<std::size_t>(1, said.bytes.size())));
        } else {
            say_line(r, end, said.bytes);
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
            say_line(r, end, cp852(e.stop_text));
            break;
        case Close::StopPlain:
            say_line(r, end, "Stop - Program terminated.");
            break;
        case Close::Status:
            break;
    }
    end.status = e.status;
    return e.status;
}

// The end of a run that could not write one of its files or its console: the message on
// standard error, the ending in the reports; status 4.
int write_failure(Outcome& end, const std::string& what, int error, ByteWriter* errors) {
    const std::string message = "kavron: " + what + " nelze zapsat: " + platform::reason_of(error);
    if (errors != nullptr) {
        errors->write(message + "\n");
    }
    if (end.ending != Ending::WriteError) {
        end.ending = Ending::WriteError;
        end.text.clear();
        end.note = message;
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
int channel_failure(Run& r, Outcome& end, int error, ByteWriter* errors) {
    if (r.lst.failed()) {
        return write_failure(end, file_named(r.ADRESA), r.lst.error(), errors);
    }
    if (r.diag.failed()) {
        return write_failure(end, file_named(r.ADRESC), r.diag.error(), errors);
    }
    return write_failure(end, "standardní výstup", error, errors);
}

namespace {

// The end of a run that met a fault of its own: said on the console, status 3.
int internal_error(Run& r, Outcome& end, const std::string& what) {
    const int status =
        finish(r, end, stop(Ending::InternalError).line(cp852("Vnitřní chyba programu: ") + what));
    r.con.finish();
    return status;
}

}  // namespace

int finish_guarded(Run& r, Outcome& end, const std::function<Stop()>& stages) {
    try {
        return finish(r, end, stages());
    } catch (const fmt::LayoutError& e) {
        // A write statement that does not fit its values: say so rather than print a wrong digit.
        return internal_error(r, end, e.what());
    } catch (const std::bad_alloc&) {
        // The memory ran out (a job never needs much: something is badly wrong).
        return internal_error(r, end, cp852("nedostatek paměti"));
    }
}

}  // namespace kavron
