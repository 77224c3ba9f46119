// The tools without a dialog: kavron design (the design of a planned network, from an input
// file) and kavron deformation (the comparison of two epochs, from two results JSON files).
#include "driver/tools.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "checking/check.hpp"
#include "deformation/deformation.hpp"
#include "driver/file_dialog.hpp"
#include "driver/run.hpp"
#include "format/codepage.hpp"
#include "input/input.hpp"
#include "planning/design.hpp"
#include "platform/platform.hpp"
#include "reports/reports.hpp"

namespace kavron {

namespace {

constexpr std::string_view kDesignUsage =
    "kavron design VSTUP [--report SOUBOR] [--json SOUBOR] [--svg SOUBOR] [--limit MM] "
    "[--min-r R]";

// A refusal: one line on standard error.
struct Refusal {
    int status;
    std::string text;
};

// The reports a tool writes, created new before it computes and removed again when it refuses.
class Outputs {
public:
    explicit Outputs(const std::filesystem::path& dir) : dir_(dir) {}
    Outputs(const Outputs&) = delete;
    Outputs& operator=(const Outputs&) = delete;
    ~Outputs() { remove(); }

    std::optional<Refusal> create(const std::string& name) {
        const std::string path = path_of(dir_, name);
        int error = 0;
        std::unique_ptr<RawFile> f = platform::create_file(path, platform::Create::New, &error);
        if (f == nullptr) {
            return Refusal{2, error == EEXIST ? "soubor již existuje: " + name
                                              : "soubor nelze vytvořit: " + name + " (" +
                                                    platform::reason_of(error) + ")"};
        }
        files_.push_back({name, path, std::move(f), false});
        return std::nullopt;
    }

    // Creates the reports named (empty: not asked for), in this order.
    std::optional<Refusal> create_all(std::initializer_list<const std::string*> names) {
        for (const std::string* name : names) {
            if (!name->empty()) {
                if (auto r = create(*name)) {
                    return r;
                }
            }
        }
        return std::nullopt;
    }

    // Two options that would write the same file.
    static std::optional<Refusal> distinct(std::initializer_list<const std::string*> names) {
        for (auto a = names.begin(); a != names.end(); ++a) {
            for (auto b = a + 1; b != names.end(); ++b) {
                if (!(*a)->empty() && **a == **b) {
                    return Refusal{2, "dvě volby nesmějí psát do téhož souboru " + **a};
                }
            }
        }
        return std::nullopt;
    }

    // Writes the text into the report created k-th and closes it.
    std::optional<Refusal> put(std::size_t k, const std::string& text) {
        File& f = files_[k];
        std::size_t done = 0;
        int error = 0;
        const bool written = f.file->write(text, done, error);
        // Closed also after a failed write, so that the file can be removed on every system.
        int close_error = 0;
        const bool closed = f.file->close(close_error);
        f.closed = true;
        if (written && !closed) {
            error = close_error;
        }
        if (!written || !closed) {
            return Refusal{4, "soubor " + f.name + " nelze zapsat: " + platform::reason_of(error)};
        }
        return std::nullopt;
    }

    // The reports are whole: they stay.
    void keep() { files_.clear(); }

private:
    struct File {
        std::string name, path;
        std::unique_ptr<RawFile> file;
        bool closed = false;
    };
    void remove() {
        for (File& f : files_) {
            int ignored = 0;
            if (!f.closed) {
                (void)f.file->close(ignored);
            }
            (void)platform::remove_file(f.path);
        }
        files_.clear();
    }
    std::filesystem::path dir_;
    std::vector<File> files_;
};

// The report a command-line option names (nullptr: not a report option).
std::string* report_option(const std::string& a, std::string& report, std::string& json,
                           std::string& svg) {
    return a == "--report" ? &report : a == "--json" ? &json : a == "--svg" ? &svg : nullptr;
}

// The value after the option at i (i moves to it); a report option may be given once.
std::optional<Refusal> option_value(const std::vector<std::string>& args, std::size_t& i,
                                    const std::string* file, std::string& v) {
    const std::string& a = args[i];
    if (i + 1 == args.size() || args[i + 1].empty() || args[i + 1].rfind("--", 0) == 0) {
        return Refusal{2, "u volby " + a + " chybí hodnota"};
    }
    if (file != nullptr && !file->empty()) {
        return Refusal{2, "volba " + a + " je zadána dvakrát"};
    }
    v = args[++i];
    return std::nullopt;
}

bool number(const std::string& s, double& v) {
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return !s.empty() && end == s.c_str() + s.size() && std::isfinite(v);
}

struct DesignArgs {
    std::string input;
    std::string report, json, svg;
    Requirements req;
};

std::optional<Refusal> parse_design(const std::vector<std::string>& args, DesignArgs& d) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string* file = report_option(a, d.report, d.json, d.svg);
        const bool limit = a == "--limit", min_r = a == "--min-r";
        if (file != nullptr || limit || min_r) {
            std::string v;
            if (auto r = option_value(args, i, file, v)) {
                return r;
            }
            double x = 0;
            if (file != nullptr) {
                *file = v;
            } else if (limit) {
                if (!number(v, x) || x <= 0) {
                    return Refusal{2, "--limit " + v + ": mez musí být kladné číslo v mm"};
                }
                d.req.has_limit = true;
                d.req.limit_mm = x;
            } else {
                if (!number(v, x) || x < 0 || x > 1) {
                    return Refusal{2, "--min-r " + v + ": číslo nadbytečnosti je mezi 0 a 1"};
                }
                d.req.min_r = x;
            }
        } else if (a.rfind("--", 0) == 0 || !d.input.empty()) {
            return Refusal{
                2, "neznámá volba nebo druhý vstup: " + a + " (" + std::string(kDesignUsage) + ")"};
        } else {
            d.input = a;
        }
    }
    if (d.input.empty()) {
        return Refusal{2, "chybí vstupní soubor (" + std::string(kDesignUsage) + ")"};
    }
    return Outputs::distinct({&d.report, &d.json, &d.svg});
}

// Reads the input file into the job; a refusal says why it cannot be read.
std::optional<Refusal> read_job(const std::string& name, const std::filesystem::path& dir,
                                Job& job) {
    std::string bytes;
    int error = 0;
    switch (platform::read_file(path_of(dir, name), bytes, &error)) {
        case platform::ReadResult::Ok:
            break;
        case platform::ReadResult::TooLarge:
            return Refusal{2,
                           "soubor " + name + " je větší než 1 MB, vstupní soubor to být nemůže"};
        case platform::ReadResult::Cannot:
            return Refusal{2, "soubor " + name + " nelze přečíst: " + platform::reason_of(error)};
    }
    InFile inp;
    inp.load(bytes);
    OutFile none;
    Reading rd{inp, none};
    for (Halt (*step)(Reading&, Job&) : {read_header, read_points, read_measurements}) {
        if (Halt h = step(rd, job)) {
            return Refusal{2, "vstup " + name + ": " + refusal_text(*h, "") +
                                  (h->input_line != 0
                                       ? " (řádek souboru " + std::to_string(h->input_line) + ")"
                                       : "")};
        }
    }
    if (job.NR == 0) {
        return Refusal{2, "vstup " + name + " nemá žádné měření"};
    }
    return std::nullopt;
}

std::optional<Refusal> design_tool(const std::vector<std::string>& args,
                                   const std::function<DateTime()>& clock,
                                   const std::filesystem::path& dir) {
    DesignArgs d;
    if (auto r = parse_design(args, d)) {
        return r;
    }
    Outputs out(dir);
    if (auto r = out.create_all({&d.report, &d.json, &d.svg})) {
        return r;
    }
    const auto job = std::make_unique<Job>();
    if (auto r = read_job(d.input, dir, *job)) {
        return r;
    }
    const auto dw = std::make_unique<DesignWork>();
    const auto plan = std::make_unique<Plan>();
    std::string said;
    if (Halt h = design(*job, d.req, *plan, *dw, said)) {
        return Refusal{1, "plán nelze vyrovnat: " + refusal_text(*h, said)};
    }
    plan->res.date = clock();
    std::size_t k = 0;
    if (!d.report.empty()) {
        if (auto r = out.put(k++, design_report(*plan, d.input))) {
            return r;
        }
    }
    if (!d.json.empty()) {
        if (auto r = out.put(k++, design_json(*plan))) {
            return r;
        }
    }
    if (!d.svg.empty()) {
        PlanDrawing drawing;
        drawing.min_r = d.req.min_r;
        if (!plan->by_semi_axis.empty()) {
            drawing.suggestion[0] = plan->by_semi_axis.front().station;
            drawing.suggestion[1] = plan->by_semi_axis.front().target;
        }
        if (auto r = out.put(k++, svg_report(plan->res, &drawing))) {
            return r;
        }
    }
    out.keep();
    return std::nullopt;
}

constexpr std::string_view kDeformationUsage =
    "kavron deformation EPOCHA1.json EPOCHA2.json [--stable N,N,...] [--alpha A] "
    "[--report SOUBOR] [--json SOUBOR] [--svg SOUBOR]";

struct DeformationArgs {
    std::string inputs[2];
    std::string report, json, svg;
    std::vector<int> stable;
    bool has_stable = false;
    double alpha = 0.05;
};

// "101,102,105": the point numbers.
bool numbers(const std::string& s, std::vector<int>& out) {
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

std::optional<Refusal> parse_deformation(const std::vector<std::string>& args, DeformationArgs& d) {
    int inputs = 0;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string* file = report_option(a, d.report, d.json, d.svg);
        if (file != nullptr || a == "--stable" || a == "--alpha") {
            std::string v;
            if (auto r = option_value(args, i, file, v)) {
                return r;
            }
            double x = 0;
            if (file != nullptr) {
                *file = v;
            } else if (a == "--stable") {
                if (d.has_stable || !numbers(v, d.stable)) {
                    return Refusal{2, "--stable " + v + ": čísla bodů oddělená čárkou, jednou"};
                }
                d.has_stable = true;
            } else if (!number(v, x) || !supported_alpha(x)) {
                return Refusal{2, "--alpha " + v + ": hladina testů je 0.05 nebo 0.01"};
            } else {
                d.alpha = x;
            }
        } else if (a.rfind("--", 0) == 0 || inputs == 2) {
            return Refusal{2, "neznámá volba nebo třetí vstup: " + a + " (" +
                                  std::string(kDeformationUsage) + ")"};
        } else {
            d.inputs[inputs++] = a;
        }
    }
    if (inputs < 2) {
        return Refusal{
            2, "chybí soubory výsledků obou epoch (" + std::string(kDeformationUsage) + ")"};
    }
    return Outputs::distinct({&d.report, &d.json, &d.svg});
}

std::optional<Refusal> deformation_tool(const std::vector<std::string>& args,
                                        const std::filesystem::path& dir) {
    DeformationArgs d;
    if (auto r = parse_deformation(args, d)) {
        return r;
    }
    Outputs out(dir);
    if (auto r = out.create_all({&d.report, &d.json, &d.svg})) {
        return r;
    }
    const auto epochs = std::make_unique<Epoch[]>(2);
    for (int k = 0; k < 2; ++k) {
        std::string bytes;
        int error = 0;
        const std::string& name = d.inputs[k];
        switch (platform::read_file(path_of(dir, name), bytes, &error)) {
            case platform::ReadResult::Ok:
                break;
            case platform::ReadResult::TooLarge:
                return Refusal{2, "soubor " + name + " je větší než 1 MB"};
            case platform::ReadResult::Cannot:
                return Refusal{2,
                               "soubor " + name + " nelze přečíst: " + platform::reason_of(error)};
        }
        epochs[k].name = name;
        if (auto why = read_epoch(bytes, epochs[k])) {
            return Refusal{2, "soubor " + name + ": " + *why};
        }
    }
    const auto df = std::make_unique<Deformation>();
    if (auto why = compare_epochs(epochs[0], epochs[1], d.stable, d.alpha, *df)) {
        return Refusal{2, *why};
    }
    std::size_t k = 0;
    const std::pair<const std::string*, std::string (*)(const Deformation&)> writers[] = {
        {&d.report, deformation_report}, {&d.json, deformation_json}, {&d.svg, deformation_svg}};
    for (const auto& [name, write] : writers) {
        if (!name->empty()) {
            if (auto r = out.put(k++, write(*df))) {
                return r;
            }
        }
    }
    out.keep();
    return std::nullopt;
}

constexpr std::string_view kCheckUsage =
    "kavron check ZADÁNÍ SLOŽKA... [--report SOUBOR] [--csv SOUBOR] [--json SOUBOR]";

struct CheckArgs {
    std::string reference;
    std::vector<std::string> folders;
    std::string report, csv, json;
};

std::optional<Refusal> parse_check(const std::vector<std::string>& args, CheckArgs& c) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string* file = a == "--report" ? &c.report
                            : a == "--csv"  ? &c.csv
                            : a == "--json" ? &c.json
                                            : nullptr;
        if (file != nullptr) {
            if (auto r = option_value(args, i, file, *file)) {
                return r;
            }
        } else if (a.rfind("--", 0) == 0) {
            return Refusal{2, "neznámá volba: " + a + " (" + std::string(kCheckUsage) + ")"};
        } else if (c.reference.empty()) {
            c.reference = a;
        } else {
            c.folders.push_back(a);
        }
    }
    if (c.folders.empty()) {
        return Refusal{2, "chybí zadání nebo složky skupin (" + std::string(kCheckUsage) + ")"};
    }
    return Outputs::distinct({&c.report, &c.csv, &c.json});
}

// The report for the terminal when no file is asked for: UTF-8 with LF.
std::string for_terminal(const std::string& cp1250_crlf) {
    std::string out = decode(cp1250_crlf, CodePage::Cp1250);
    out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
    return out;
}

std::optional<Refusal> check_tool(const std::vector<std::string>& args, ByteWriter& text,
                                  const std::filesystem::path& dir, bool& all_ok) {
    CheckArgs c;
    if (auto r = parse_check(args, c)) {
        return r;
    }
    Outputs out(dir);
    if (auto r = out.create_all({&c.report, &c.csv, &c.json})) {
        return r;
    }
    ClassCheck cc;
    if (auto why = check_class(c.reference, c.folders, dir, run_group, cc)) {
        return Refusal{2, *why};
    }
    all_ok =
        std::all_of(cc.groups.begin(), cc.groups.end(), [](const GroupCheck& g) { return g.ok; });
    std::size_t k = 0;
    const std::pair<const std::string*, std::string (*)(const ClassCheck&)> writers[] = {
        {&c.report, check_report}, {&c.csv, check_csv}, {&c.json, check_json}};
    for (const auto& [name, write] : writers) {
        if (!name->empty()) {
            if (auto r = out.put(k++, write(cc))) {
                return r;
            }
        }
    }
    if (k == 0) {
        text.write(for_terminal(check_report(cc)));
    }
    out.keep();
    return std::nullopt;
}

}  // namespace

bool is_tool(const std::vector<std::string>& args) {
    return !args.empty() && (args[0] == "design" || args[0] == "deformation" || args[0] == "check");
}

int run_tool(const std::vector<std::string>& args, ByteWriter& text, ByteWriter& errors,
             const std::function<DateTime()>& clock, const std::filesystem::path& dir) {
    bool all_ok = true;
    const std::optional<Refusal> r = args[0] == "design" ? design_tool(args, clock, dir)
                                     : args[0] == "deformation"
                                         ? deformation_tool(args, dir)
                                         : check_tool(args, text, dir, all_ok);
    if (r) {
        errors.write("kavron " + args[0] + ": " + r->text + "\n");
        return r->status;
    }
    return all_ok ? 0 : 1;
}

int run_command(const std::vector<std::string>& args, LineReader& in, ByteWriter& out,
                ByteWriter& text, ByteWriter& errors, const std::function<DateTime()>& clock,
                Storage& storage, const std::filesystem::path& dir) {
    if (is_tool(args)) {
        return run_tool(args, text, errors, clock, dir);
    }
    return run_console_command(args, in, out, text, errors, clock, storage, dir);
}

}  // namespace kavron
