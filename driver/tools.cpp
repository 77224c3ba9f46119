// The tools without a dialog: kavron design (the design of a planned network, from an input
// file), kavron deformation (the comparison of two epochs, from two results JSON files) and
// kavron check (the check of a class's folders). Each parses its command line by its table,
// creates its reports new before it computes, and ends through run_tool_work.
#include "driver/tools.hpp"

#include <algorithm>
#include <memory>

#include "checking/check.hpp"
#include "deformation/deformation.hpp"
#include "driver/commands.hpp"
#include "driver/file_dialog.hpp"
#include "driver/run.hpp"
#include "fieldbook/fieldbook.hpp"
#include "planning/design.hpp"
#include "platform/platform.hpp"
#include "reports/reports.hpp"

namespace kavron {

namespace {

std::optional<Refusal> design_tool(const CommandLine& cl, ReportFiles& out,
                                   const std::function<DateTime()>& clock,
                                   const std::filesystem::path& dir) {
    Requirements req;
    if (const CommandLine::Given* g = cl.find("--limit")) {
        req.has_limit = true;
        req.limit_mm = g->number;
    }
    req.min_r = cl.number("--min-r", req.min_r);
    const std::string& input = cl.operands[0];
    const auto job = std::make_unique<Job>();
    if (auto r = read_input_job(dir, input, *job)) {
        return r;
    }
    const auto dw = std::make_unique<DesignWork>();
    const auto plan = std::make_unique<Plan>();
    std::string said;
    if (Halt h = design(*job, req, *plan, *dw, said)) {
        return Refusal{1, "plán nelze vyrovnat: " + refusal_text(*h, said)};
    }
    platform::check_interrupted();
    plan->res.date = clock();
    if (out.has("--report")) {
        if (auto r = out.put("--report", design_report(*plan, input))) {
            return r;
        }
    }
    if (out.has("--json")) {
        if (auto r = out.put("--json", design_json(*plan))) {
            return r;
        }
    }
    if (out.has("--svg")) {
        PlanDrawing drawing;
        drawing.min_r = req.min_r;
        if (!plan->by_semi_axis.empty()) {
            drawing.suggestion[0] = plan->by_semi_axis.front().station;
            drawing.suggestion[1] = plan->by_semi_axis.front().target;
        }
        if (auto r = out.put("--svg", svg_report(plan->res, Outcome{}, &drawing))) {
            return r;
        }
    }
    return std::nullopt;
}

std::optional<Refusal> deformation_tool(const CommandLine& cl, ReportFiles& out,
                                        const std::filesystem::path& dir, int& status) {
    const auto epochs = std::make_unique<Epoch[]>(2);
    std::string bytes[2];
    for (int k = 0; k < 2; ++k) {
        const std::string& name = cl.operands[static_cast<std::size_t>(k)];
        if (auto r = read_named_file(dir, name, bytes[k])) {
            return r;
        }
        epochs[k].name = name;
        if (auto why = read_epoch(bytes[k], epochs[k])) {
            return Refusal{2, "soubor " + name + ": " + *why};
        }
    }
    const std::string& first = cl.operands[0];
    const std::string& second = cl.operands[1];
    if (platform::same_file(path_of(dir, first), path_of(dir, second)) || bytes[0] == bytes[1]) {
        return Refusal{2, "soubory " + first + " a " + second +
                              " jsou tytéž výsledky: porovnávejte dvě různé epochy"};
    }
    const CommandLine::Given* stable = cl.find("--stable");
    const auto df = std::make_unique<Deformation>();
    if (auto why = compare_epochs(epochs[0], epochs[1],
                                  stable != nullptr ? stable->points : std::vector<int>{},
                                  cl.number("--alpha", 0.05), *df)) {
        return Refusal{2, *why};
    }
    platform::check_interrupted();
    using Writer = std::string (*)(const Deformation&);
    const std::pair<std::string_view, Writer> writers[] = {
        {"--report", deformation_report}, {"--json", deformation_json}, {"--svg", deformation_svg}};
    for (const auto& [option, write] : writers) {
        if (out.has(option)) {
            if (auto r = out.put(option, write(*df))) {
                return r;
            }
        }
    }
    status = df->conclusive() ? 0 : 1;
    return std::nullopt;
}

std::optional<Refusal> check_tool(const CommandLine& cl, ReportFiles& out, ByteWriter& text,
                                  const std::filesystem::path& dir, int& status) {
    ClassCheck cc;
    const std::vector<std::string> folders(cl.operands.begin() + 1, cl.operands.end());
    if (auto why = check_class(cl.operands[0], folders, dir, run_group, cc, out.paths())) {
        return Refusal{2, *why};
    }
    const bool all_ok =
        std::all_of(cc.groups.begin(), cc.groups.end(), [](const GroupCheck& g) { return g.ok; });
    status = all_ok ? 0 : 1;
    using Writer = std::string (*)(const ClassCheck&);
    const std::pair<std::string_view, Writer> writers[] = {
        {"--report", check_report}, {"--csv", check_csv}, {"--json", check_json}};
    for (const auto& [option, write] : writers) {
        if (out.has(option)) {
            if (auto r = out.put(option, write(cc))) {
                return r;
            }
        }
    }
    if (out.size() == 0) {
        text.write(for_terminal(check_report(cc)));
        text.flush();
    }
    return std::nullopt;
}

// "101,102,BP04": the ids.
std::vector<std::string> ids_of(const std::string& s) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= s.size()) {
        const std::size_t end = std::min(s.find(',', start), s.size());
        if (end > start) {
            out.push_back(s.substr(start, end - start));
        }
        start = end + 1;
    }
    return out;
}

std::optional<Refusal> import_tool(const CommandLine& cl, ReportFiles& out,
                                   const std::filesystem::path& dir, int& status) {
    if (!out.has("--output")) {
        return Refusal{2, "chybí --output VSTUP: jméno vstupního souboru, který import zapíše"};
    }
    ImportOptions o;
    o.only = ids_of(cl.text("--only"));
    if (cl.has("--only") && o.only.empty()) {
        return Refusal{2, "--only: čísla nebo jména bodů oddělená čárkou"};
    }
    o.station = cl.text("--station");
    o.refraction = cl.number("--refraction", o.refraction);
    o.curvature = !cl.has("--no-curvature");
    o.sd_direction = cl.number("--sd-direction", o.sd_direction);
    o.sd_zenith = cl.number("--sd-zenith", o.sd_zenith);
    o.sd_distance = cl.number("--sd-distance", o.sd_distance);
    std::vector<FieldFile> files;
    std::string names;
    for (const std::string& name : cl.operands) {
        std::string bytes;
        if (auto r = read_named_file(dir, name, bytes)) {
            return r;
        }
        platform::check_interrupted();
        files.emplace_back();
        if (auto r = read_field_file(name, bytes, files.back())) {
            return r;
        }
        names += (names.empty() ? "" : ", ") + name;
    }
    std::unique_ptr<Job> points;
    const auto imp = std::make_unique<Import>();
    if (cl.has("--points")) {
        points = std::make_unique<Job>();
        if (auto r = read_input_job(dir, cl.text("--points"), *points)) {
            return r;
        }
        imp->points_file = cl.text("--points");
    }
    imp->action = cl.has("--title") ? cl.text("--title") : "Import z " + names;
    imp->output = cl.text("--output");
    if (auto r = import_field(std::move(files), points.get(), o, *imp)) {
        return r;
    }
    platform::check_interrupted();
    using Writer = std::string (*)(const Import&);
    const std::pair<std::string_view, Writer> writers[] = {
        {"--output", import_input}, {"--report", import_report}, {"--json", import_json}};
    for (const auto& [option, write] : writers) {
        if (out.has(option)) {
            if (auto r = out.put(option, write(*imp))) {
                return r;
            }
        }
    }
    status = imp->flags.empty() ? 0 : 1;
    return std::nullopt;
}

}  // namespace

bool is_tool(const std::vector<std::string>& args) {
    return !args.empty() && commands::tool_named(args[0]) != nullptr;
}

int run_tool(const std::vector<std::string>& args, ByteWriter& text, ByteWriter& errors,
             const std::function<DateTime()>& clock, const std::filesystem::path& dir) {
    const Command& c = *commands::tool_named(args[0]);
    ReportFiles out(dir);
    return run_tool_work(c.name, errors, out, [&](int& status) -> std::optional<Refusal> {
        CommandLine cl;
        if (auto r = parse_command_line(c, args, 1, cl)) {
            return r;
        }
        if (cl.help) {
            text.write(help_text(c));
            text.flush();
            return std::nullopt;
        }
        if (auto r = out.create_all(cl)) {
            return r;
        }
        if (c.name == "design") {
            return design_tool(cl, out, clock, dir);
        }
        if (c.name == "deformation") {
            return deformation_tool(cl, out, dir, status);
        }
        if (c.name == "import") {
            return import_tool(cl, out, dir, status);
        }
        return check_tool(cl, out, text, dir, status);
    });
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
