#include "harness.hpp"

#include "driver/input.hpp"

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
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
}

std::string Scratch::get(const std::string& name) const {
    std::ifstream f(dir_ / name, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
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

DateTime fixed_clock() {
    return {2026, 5, 6, 9, 5, 3};
}

Outcome run_with(const Scratch& s, std::vector<std::string> console) {
    ScriptReader in(std::move(console));
    StringWriter out;
    Outcome o;
    o.status = run_program(in, out, fixed_clock, s.dir());
    o.console = out.text;
    o.listing = s.get("out.txt");
    o.diag = s.get("err.txt");
    return o;
}

Outcome run_job(const Scratch& s, const std::string& input, std::vector<std::string> more) {
    s.put("in.txt", input);
    std::vector<std::string> lines = {"err.txt", "out.txt", "in.txt"};
    lines.insert(lines.end(), more.begin(), more.end());
    return run_with(s, lines);
}

LoadedJob::LoadedJob(const std::string& text, std::vector<std::string> answers)
    : in(std::move(answers)) {
    s.put("in.txt", text);
    ok = r.inp.open((s.dir() / "in.txt").string()) &&
         r.lst.create((s.dir() / "out.txt").string()) &&
         r.diag.create((s.dir() / "err.txt").string()) && !read_header(r).stopped() &&
         !read_points_and_measurements(r).stopped();
}

std::string LoadedJob::listing() {
    r.lst.close();
    return s.get("out.txt");
}

std::string LoadedJob::diag() {
    r.diag.close();
    return s.get("err.txt");
}

const std::string kHandChecked =
    "'Rucni kontrola'\n10 2 20 1 0\n"
    "1 0 0 0 0\n2 7 100000 0 0\n3 7 -100000 0 0\n4 7 0 100000 0\n5 7 0 0 100000\n-1\n"
    "4 2 1.0 1\n4 5 3499998.0 1\n4 3 3000001.000001 1\n-1\n"
    "2 4 1000003 1\n3 4 999999 1\n-1\n"
    "2 1 100001 1\n3 1 100001 1\n4 1 100000 4\n5 1 100000 16\n-1\n";

std::string crlf(const std::vector<std::string>& records) {
    std::string s;
    for (const auto& r : records) {
        s += r;
        s += "\r\n";
    }
    return s;
}

}  // namespace kavron::test
