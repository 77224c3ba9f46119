#include "one_run.hpp"

#include <libxml/parser.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/endings.hpp"
#include "driver/run.hpp"
#include "format/codepage.hpp"

namespace {

class Script : public kavron::LineReader {
public:
    explicit Script(std::vector<std::string> lines) : lines_(std::move(lines)) {}
    bool overrun = false;
    std::optional<std::string> read_line() override {
        if (++reads_ > lines_.size() + 16) {
            overrun = true;
            return std::nullopt;
        }
        if (next_ >= lines_.size()) {
            return std::nullopt;
        }
        return lines_[next_++];
    }

private:
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
    std::size_t reads_ = 0;
};

class Sink : public kavron::ByteWriter {
public:
    void write(std::string_view b) override { text.append(b); }
    std::string text;
};

std::string read(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

bool ends_with(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool well_formed_xml(const std::string& text) {
    xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "r.svg", nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    const bool ok = doc != nullptr;
    xmlFreeDoc(doc);
    return ok;
}

const std::string kOldDiagnostics =
    kavron::cp1250("  Toto okno slouží ke kontrole dat. \r\n\r\n\r\n") + " stare zaznamy\r\n";

// What the ending of the run, named by the JSON, must have left on the console and as status.
std::string check_ending(const nlohmann::json& doc, int status, const std::string& console) {
    const std::string kind = doc["ending"]["kind"];
    if (doc["ending"]["status"] != status) {
        return "the JSON gives another status than the run's";
    }
    for (const kavron::EndingInfo& e : kavron::all_endings()) {
        if (e.kind != kind) {
            continue;
        }
        bool closed = e.status == status;
        switch (e.close) {
            case kavron::Close::Konec:
                closed = closed && ends_with(console, "KONEC\r\n");
                break;
            case kavron::Close::StopText:
                closed = closed && ends_with(console, kavron::cp852(e.stop_text) + "\r\n");
                break;
            case kavron::Close::StopPlain:
                closed = closed && ends_with(console, "Stop - Program terminated.\r\n");
                break;
            case kavron::Close::Status:
                break;
        }
        if (closed) {
            return {};
        }
    }
    return "the run ended otherwise than its ending " + kind + ", status " + std::to_string(status);
}

}  // namespace

namespace kavron::fuzz {

namespace {

// The console lines of a fuzzing input: the three file names, unless the answers after its NUL
// begin with "#names", then the answers, none of which may lead out of the run's folder.
std::vector<std::string> console_lines(const std::string& bytes) {
    const auto cut = bytes.find('\0');
    std::vector<std::string> answers;
    if (cut != std::string::npos) {
        std::istringstream rest(bytes.substr(cut + 1));
        for (std::string l; std::getline(rest, l);) {
            answers.push_back(l);
        }
    }
    std::vector<std::string> lines = {"err.txt", "out.txt", "in.txt"};
    if (!answers.empty() && answers[0] == "#names") {
        answers.erase(answers.begin());
        lines.clear();
    }
    // Any answer may be taken as a file name: none may lead out of the folder.
    for (std::string& a : answers) {
        for (std::size_t k = a.find(".."); k != std::string::npos; k = a.find("..", k)) {
            a.replace(k, 2, "__");
        }
        const auto first = a.find_first_not_of(" \t");
        if (first != std::string::npos && a[first] == '/') {
            a[first] = '_';
        }
    }
    lines.insert(lines.end(), answers.begin(), answers.end());
    return lines;
}

}  // namespace

std::string run_and_check(const std::string& bytes, const std::filesystem::path& dir) {
    const std::string input = bytes.substr(0, bytes.find('\0'));
    const std::vector<std::string> lines = console_lines(bytes);
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        std::filesystem::remove_all(e.path());
    }
    const std::map<std::string, std::string> before = {
        {"in.txt", input}, {"keep.txt", "a student's notes\r\n"}, {"old.txt", kOldDiagnostics}};
    for (const auto& [name, content] : before) {
        std::ofstream(dir / name, std::ios::binary) << content;
    }

    Script in(lines);
    Sink out, text, errors;
    const auto job = std::make_unique<Storage>();
    const int status = run_command(
        {"--json", "r.json", "--svg", "r.svg"}, in, out, text, errors,
        [] { return DateTime{2026, 5, 6, 9, 5, 3}; }, *job, dir);
    if (in.overrun) {
        return "console read after the end of input, again and again";
    }
    nlohmann::json doc;
    try {
        doc = nlohmann::json::parse(read(dir / "r.json"));
    } catch (const std::exception& e) {
        return std::string("the JSON report is not valid: ") + e.what();
    }
    if (std::string fault = check_ending(doc, status, out.text); !fault.empty()) {
        return fault;
    }
    if (!well_formed_xml(read(dir / "r.svg"))) {
        return "the drawing is not well-formed XML";
    }
    for (const auto& [name, content] : before) {
        const std::string now = read(dir / name);
        std::string diagnostics = job->outcome.diagnostics_name;
        diagnostics.erase(diagnostics.find_last_not_of(' ') + 1);
        const bool may_change = name == "old.txt" && diagnostics == "old.txt";
        if (now != content && !may_change) {
            return name + " was there before the run and has been changed";
        }
    }
    const std::string listing = read(dir / "out.txt");
    if (!listing.empty() && listing.rfind(" KAVRON " KAVRON_VERSION " Prostorov", 0) != 0) {
        return "the listing does not start with its header";
    }
    return {};
}

}  // namespace kavron::fuzz
