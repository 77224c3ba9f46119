// The console program's command line: the reports beside the listing, help and version. Without
// arguments the program is exactly the console program.
#include <string>
#include <vector>

#include "driver/commands.hpp"
#include "driver/run.hpp"

namespace kavron {

namespace {

int refuse(ByteWriter& errors, const std::string& problem) {
    errors.write("kavron: " + problem + "\n");
    errors.write("Použití: " + usage_line(commands::kConsole) + "\n");
    return 2;
}

}  // namespace

int run_console_command(const std::vector<std::string>& args, LineReader& in, ByteWriter& out,
                        ByteWriter& text, ByteWriter& errors,
                        const std::function<DateTime()>& clock, Storage& storage,
                        const std::filesystem::path& dir) {
    CommandLine cl;
    if (auto r = parse_command_line(commands::kConsole, args, 0, cl)) {
        return refuse(errors, r->text);
    }
    if (cl.help) {
        return write_terminal(text, errors, help_text(commands::all()));
    }
    if (cl.version) {
        return write_terminal(text, errors, "kavron " KAVRON_VERSION "\n");
    }
    // The report files are created before the banner, new like the listing: an existing file is
    // never replaced. When one cannot be made, those made already are removed again and the
    // command line is refused.
    ReportFiles files(dir);
    for (const CommandLine::Given& g : cl.given) {
        if (g.option->value != Value::Report) {
            continue;
        }
        const auto cut = g.option->name == "--analysis" ? ReportFiles::Cut::LastWholeLine
                                                        : ReportFiles::Cut::Remove;
        if (auto r = files.create(g.option->name, g.value, cut)) {
            return refuse(errors, r->text);
        }
    }
    Options options;
    options.errors = &errors;
    options.reports = &files;
    const int status = run_program(in, out, clock, storage, dir, options);
    files.keep();
    return status;
}

}  // namespace kavron
