#include "harness.hpp"

#include "input/input.hpp"
#include "platform/platform.hpp"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kavron::test {

Scratch::Scratch() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kavron-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) {
        std::abort();
    }
    dir_ = tmpl;
}

Scratch::~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

void Scratch::put(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories((dir_ / name).parent_path());
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
}

std::string Scratch::get(const std::string& name) const {
    return slurp(dir_ / name);
}

bool Scratch::exists(const std::string& name) const {
    return std::filesystem::exists(dir_ / name);
}

std::optional<std::string> ScriptReader::read_line() {
    if (next_ >= lines_.size()) {
        return std::nullopt;
    }
    return lines_[next_++];
}

std::string slurp(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        out.push_back(l);
    }
    return out;
}

DateTime fixed_clock() {
    return {2026, 5, 6, 9, 5, 3};
}

LoadedJob::LoadedJob(const std::string& text, std::vector<std::string> answers)
    : in(std::move(answers)) {
    inp.load(text);
    lst.attach(platform::create_file((s.dir() / "out.txt").string(), platform::Create::New));
    diag.attach(platform::create_file((s.dir() / "err.txt").string(), platform::Create::New));
    ok = lst.is_open() && diag.is_open() && !read_header(rd, *job) && !read_points(rd, *job) &&
         !read_measurements(rd, *job);
}

JsonRun run_with_json(const std::string& input, std::vector<std::string> script,
                      const std::vector<std::string>& extra) {
    Scratch s;
    s.put("in.txt", input);
    if (script.size() < 3 || script[2] != "in.txt") {
        script.insert(script.begin(), {"chyby.txt", "vysledky.txt", "in.txt"});
    }
    ScriptReader in(script);
    StringWriter out, text, errors;
    std::vector<std::string> args = {"--json", "r.json"};
    args.insert(args.end(), extra.begin(), extra.end());
    const auto storage = std::make_unique<Storage>();
    JsonRun r;
    r.status = run_command(args, in, out, text, errors, fixed_clock, *storage, s.dir());
    r.json = s.get("r.json");
    return r;
}

}  // namespace kavron::test
