#include "driver/toolkit.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "driver/file_dialog.hpp"
#include "format/codepage.hpp"
#include "format/record.hpp"
#include "input/input.hpp"
#include "planning/design.hpp"
#include "platform/platform.hpp"

namespace kavron {

// ---- Options ----

const CommandLine::Given* CommandLine::find(std::string_view name) const {
    for (const Given& g : given) {
        if (g.option->name == name) {
            return &g;
        }
    }
    return nullptr;
}

std::string CommandLine::text(std::string_view name) const {
    const Given* g = find(name);
    return g != nullptr ? g->value : std::string();
}

double CommandLine::number(std::string_view name, double otherwise) const {
    const Given* g = find(name);
    return g != nullptr ? g->number : otherwise;
}

std::optional<double> typed_number(std::string_view s) {
    std::string t(s);
    const std::size_t comma = t.find(',');
    if (comma != std::string::npos) {
        if (t.find_first_of(",.", comma + 1) != std::string::npos ||
            t.find('.') != std::string::npos) {
            return std::nullopt;
        }
        t[comma] = '.';
    }
    // Digits only around the point: no "inf", "nan", hexadecimal or blanks.
    if (t.empty() || t.find_first_not_of("0123456789+-.eE") != std::string::npos) {
        return std::nullopt;
    }
    // The program runs in the C locale: strtod reads the decimal point.
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

namespace {

// "101,102,105": the point numbers (each 1 to 99999).
bool point_numbers(const std::string& s, std::vector<int>& out) {
    std::size_t start = 0;
    while (start <= s.size()) {
        const std::size_t end = std::min(s.find(',', start), s.size());
        const std::string part = s.substr(start, end - start);
        if (part.empty() || part.size() > 5 ||
            part.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        out.push_back(std::stoi(part));
        start = end + 1;
    }
    return !out.empty();
}

std::string with_usage(const Command& c, std::string_view text) {
    return std::string(text) + " (" + usage_line(c) + ")";
}

}  // namespace

std::optional<Refusal> parse_command_line(const Command& c, const std::vector<std::string>& args,
                                          std::size_t first, CommandLine& out) {
    const bool tool = !c.name.empty();
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            out.help = true;
            return std::nullopt;
        }
        const Option* o = nullptr;
        for (const Option& x : c.options) {
            o = x.name == a ? &x : o;
        }
        if (o == nullptr && a.rfind("--", 0) == 0) {
            const std::string text = "neznámá volba: " + a;
            return Refusal{2, tool ? with_usage(c, text) : text};
        }
        if (o == nullptr) {
            if (out.operands.size() == c.max_operands) {
                const std::string text = std::string(c.extra) + ": " + a;
                return Refusal{2, tool ? with_usage(c, text) : text};
            }
            out.operands.push_back(a);
            continue;
        }
        if (out.find(o->name) != nullptr) {
            return Refusal{2, "volba " + a + " je zadána dvakrát"};
        }
        if (o->value == Value::Flag) {
            out.version = out.version || a == "--version";
            out.given.push_back({o, {}, 0, {}});
            continue;
        }
        const bool file = o->value == Value::Report || o->value == Value::File;
        const std::string lacks = "u volby " + a + " chybí " + (file ? "jméno souboru" : "hodnota");
        if (i + 1 == args.size() || args[i + 1].empty()) {
            return Refusal{2, lacks};
        }
        if (args[i + 1].rfind("--", 0) == 0) {
            // Most likely the next option, not a value ("./--x" names such a file).
            return Refusal{
                2, lacks + (file ? " (místo něj stojí " : " (místo ní stojí ") + args[i + 1] + ")"};
        }
        CommandLine::Given g{o, args[++i], 0, {}};
        const std::string bad = a + " " + g.value + ": " + std::string(o->message);
        if (o->value == Value::Number) {
            const std::optional<double> v = typed_number(g.value);
            if (!v || (o->valid != nullptr && !o->valid(*v))) {
                return Refusal{2, bad};
            }
            g.number = *v;
        } else if (o->value == Value::Points && !point_numbers(g.value, g.points)) {
            return Refusal{2, bad};
        }
        out.given.push_back(std::move(g));
    }
    if (out.operands.size() < c.min_operands && !out.version) {
        return Refusal{2, tool ? with_usage(c, c.missing) : std::string(c.missing)};
    }
    return std::nullopt;
}

namespace {

// An option as the usage line and the help name it: "--limit MM".
std::string option_name(const Option& o) {
    std::string name(o.name);
    if (!o.meta.empty()) {
        name.append(" ").append(o.meta);
    }
    return name;
}

}  // namespace

std::string usage_line(const Command& c) {
    std::string out = "kavron";
    for (const std::string_view part : {c.name, c.operands}) {
        if (!part.empty()) {
            out.append(" ").append(part);
        }
    }
    for (const Option& o : c.options) {
        out.append(" [").append(option_name(o)).append("]");
    }
    return out;
}

namespace {

constexpr std::size_t kWidth = 90;  // of the usage lines

std::size_t chars_of(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char ch) {
        return (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    }));
}

// The usage line after `lead`, wrapped before a bracket that would pass the width.
std::string wrapped_usage(const Command& c, const std::string& lead) {
    const std::string line = usage_line(c);
    const std::string indent(chars_of(lead) + 7, ' ');
    std::string out = lead;
    std::size_t col = chars_of(lead), start = 0;
    while (start < line.size()) {
        std::size_t end = line.find(" [", start + 1);
        end = end == std::string::npos ? line.size() : end;
        const std::string piece = line.substr(start, end - start);
        if (start != 0 && col + chars_of(piece) > kWidth) {
            out += "\n" + indent;
            col = indent.size();
            out += piece.substr(1);
            col += chars_of(piece) - 1;
        } else {
            out += piece;
            col += chars_of(piece);
        }
        start = end;
    }
    return out + "\n";
}

// Lines of a text, each with the lead before it ('\n' begins a line).
std::string lines_with(std::string_view text, const std::string& first, const std::string& rest) {
    std::string out;
    std::size_t start = 0;
    bool head = true;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        out += (head ? first : rest) + std::string(text.substr(start, end - start)) + "\n";
        head = false;
        start = end + 1;
    }
    return out;
}

std::string options_help(const Command& c) {
    constexpr std::size_t kName = 16;
    std::string out;
    for (const Option& o : c.options) {
        const std::string name = option_name(o);
        const std::string rest(2 + kName + 2, ' ');
        std::string lead(2, ' ');
        lead.append(name);
        if (chars_of(name) > kName) {
            out.append(lead).append("\n").append(lines_with(o.help, rest, rest));
        } else {
            lead.append(kName - chars_of(name) + 2, ' ');
            out.append(lines_with(o.help, lead, rest));
        }
    }
    return out;
}

constexpr std::string_view kFooter =
    "Soubory výsledků se zakládají nové: existující soubor program nikdy nepřepíše.\n"
    "Proměnná prostředí SOURCE_DATE_EPOCH (sekundy od 1. 1. 1970 UTC) pevně nastaví datum a čas\n"
    "výpisu, například pro referenční výpisy.\n";

}  // namespace

std::string help_text(std::span<const Command* const> commands) {
    std::string out;
    bool first = true;
    for (const Command* c : commands) {
        out += wrapped_usage(*c, first ? "Použití: " : "         ");
        first = false;
    }
    for (const Command* c : commands) {
        out += lines_with(c->about, "", "") + "\n" + options_help(*c) + "\n";
    }
    return out + std::string(kFooter);
}

std::string help_text(const Command& c) {
    return wrapped_usage(c, "Použití: ") + lines_with(c.about, "", "") + "\n" + options_help(c) +
           "\n" + std::string(kFooter);
}

// ---- Report files ----

ReportFiles::ReportFiles(std::filesystem::path dir) : dir_(std::move(dir)) {}

ReportFiles::~ReportFiles() {
    if (!kept_) {
        remove_all();
    }
}

namespace {

// A name as a path that two spellings of one name share ("x.txt", "./x.txt").
std::filesystem::path normal_of(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(std::filesystem::path(path), ec);
    return (ec ? std::filesystem::path(path) : p).lexically_normal();
}

}  // namespace

std::optional<Refusal> ReportFiles::create(std::string_view option, const std::string& name,
                                           Cut cut) {
    const std::string path = path_of(dir_, name);
    const auto same = [&](const File& f) {
        return normal_of(f.path) == normal_of(path) || platform::same_file(f.path, path);
    };
    const auto refuse = [&](std::string text) {
        remove_all();
        return Refusal{2, std::move(text)};
    };
    for (const File& f : files_) {
        if (same(f)) {
            return refuse("volby " + f.option + " a " + std::string(option) +
                          " nesmějí psát do téhož souboru");
        }
    }
    int error = 0;
    std::unique_ptr<RawFile> file = platform::create_file(path, platform::Create::New, &error);
    if (file == nullptr) {
        return refuse(error == EEXIST ? "soubor již existuje: " + name
                                      : "soubor nelze vytvořit: " + name + " (" +
                                            platform::reason_of(error) + ")");
    }
    files_.push_back({std::string(option), name, path, cut, std::move(file), false});
    return std::nullopt;
}

std::optional<Refusal> ReportFiles::create_all(const CommandLine& cl) {
    for (const CommandLine::Given& g : cl.given) {
        if (g.option->value == Value::Report) {
            if (auto r = create(g.option->name, g.value)) {
                return r;
            }
        }
    }
    return std::nullopt;
}

int ReportFiles::index_of(std::string_view option) const {
    for (std::size_t k = 0; k < files_.size(); ++k) {
        if (files_[k].option == option) {
            return static_cast<int>(k);
        }
    }
    return -1;
}

std::vector<std::string> ReportFiles::paths() const {
    std::vector<std::string> out;
    out.reserve(files_.size());
    for (const File& f : files_) {
        out.push_back(f.path);
    }
    return out;
}

void ReportFiles::drop(File& f) {
    if (f.file != nullptr) {
        int ignored = 0;
        (void)f.file->close(ignored);
        f.file.reset();
    }
    (void)platform::remove_file(f.path);
    f.written = false;
}

bool ReportFiles::write(std::size_t k, std::string_view text, int& error) {
    File& f = files_[k];
    if (f.file == nullptr) {
        error = EBADF;
        return false;
    }
    if (f.written && !f.file->truncate(0)) {
        error = errno;
        f.written = false;
        return false;
    }
    std::size_t done = 0;
    if (f.file->write(text, done, error)) {
        f.written = true;
        return true;
    }
    f.written = false;
    if (f.cut == Cut::LastWholeLine) {
        const std::size_t end = done < 2 ? std::string_view::npos : text.rfind("\r\n", done - 2);
        (void)f.file->truncate(end == std::string_view::npos ? 0 : end + 2);
    } else {
        drop(f);
    }
    return false;
}

bool ReportFiles::close(std::size_t k, int& error) {
    File& f = files_[k];
    if (f.file == nullptr) {
        return true;
    }
    const bool closed = f.file->close(error);
    f.file.reset();
    if (!closed && f.cut == Cut::Remove) {
        drop(f);  // its bytes may not all have reached the disk
    }
    return closed;
}

std::optional<Refusal> ReportFiles::put(std::size_t k, std::string_view text) {
    int error = 0;
    // Closed also after a failed write, so that the file can be removed on every system.
    const bool written = write(k, text, error);
    int close_error = 0;
    const bool closed = close(k, close_error);
    if (written && !closed) {
        error = close_error;
    }
    if (!written || !closed) {
        return Refusal{4,
                       "soubor " + files_[k].name + " nelze zapsat: " + platform::reason_of(error)};
    }
    return std::nullopt;
}

std::optional<Refusal> ReportFiles::put(std::string_view option, std::string_view text) {
    const int k = index_of(option);
    return k < 0 ? std::nullopt : put(static_cast<std::size_t>(k), text);
}

void ReportFiles::remove_all() {
    for (File& f : files_) {
        drop(f);
    }
    files_.clear();
}

// ---- Inputs ----

std::optional<Refusal> read_named_file(const std::filesystem::path& dir, const std::string& name,
                                       std::string& bytes, std::string_view what) {
    int error = 0;
    switch (platform::read_file(path_of(dir, name), bytes, &error)) {
        case platform::ReadResult::Ok:
            return std::nullopt;
        case platform::ReadResult::TooLarge:
            return Refusal{2, std::string(what) + " " + name + " je větší než 1 MB"};
        case platform::ReadResult::Cannot:
            break;
    }
    return Refusal{
        2, std::string(what) + " " + name + " nelze přečíst: " + platform::reason_of(error)};
}

std::optional<Refusal> read_input_job(const std::filesystem::path& dir, const std::string& name,
                                      Job& job) {
    std::string bytes;
    if (auto r = read_named_file(dir, name, bytes)) {
        return r;
    }
    if (Halt h = read_job(bytes, job)) {
        return Refusal{
            2, "vstup " + name + ": " + refusal_text(*h, "") +
                   (h->input_line != 0 ? " (řádek souboru " + std::to_string(h->input_line) + ")"
                                       : "")};
    }
    if (job.NR == 0) {
        return Refusal{2, "vstup " + name + " nemá žádné měření"};
    }
    return std::nullopt;
}

// ---- A tool's run ----

std::string terminal_failure(int error) {
    return "kavron: standardní výstup nelze zapsat: " + platform::reason_of(error);
}

int run_tool_work(std::string_view tool, ByteWriter& errors, ReportFiles& files,
                  const std::function<std::optional<Refusal>(int& status)>& work) {
    const std::string lead = "kavron " + std::string(tool) + ": ";
    std::optional<Refusal> refusal;
    int status = 0;
    try {
        refusal = work(status);
    } catch (const Interrupted& i) {
        files.remove_all();
        errors.write(lead + "výpočet přerušen (" + i.what() +
                     "), soubory tohoto běhu odstraněny\n");
        return i.status;
    } catch (const WriteFailed& w) {
        files.remove_all();
        errors.write(terminal_failure(w.error) + "\n");
        return 4;
    } catch (const std::bad_alloc&) {
        files.remove_all();
        errors.write(lead + "nedostatek paměti\n");
        return 3;
    } catch (const fmt::LayoutError& e) {
        files.remove_all();
        errors.write(lead + "vnitřní chyba programu: " + e.what() + "\n");
        return 3;
    }
    if (refusal) {
        files.remove_all();
        errors.write(lead + refusal->text + "\n");
        return refusal->status;
    }
    files.keep();
    return status;
}

int write_terminal(ByteWriter& text, ByteWriter& errors, std::string_view utf8) {
    try {
        text.write(utf8);
        text.flush();
    } catch (const WriteFailed& w) {
        errors.write(terminal_failure(w.error) + "\n");
        return 4;
    }
    return 0;
}

std::string for_terminal(const std::string& cp1250_crlf) {
    std::string out = decode(cp1250_crlf, CodePage::Cp1250);
    out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
    return out;
}

}  // namespace kavron
