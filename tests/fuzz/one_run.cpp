#include "one_run.hpp"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

}  // namespace

namespace kavron::fuzz {

std::string run_and_check(const std::string& bytes, const std::filesystem::path& dir) {
    const auto cut = bytes.find('\0');
    const std::string input = bytes.substr(0, cut);
    std::vector<std::string> lines = {"err.txt", "out.txt", "in.txt"};
    if (cut != std::string::npos) {
        std::istringstream rest(bytes.substr(cut + 1));
        for (std::string l; std::getline(rest, l);) {
            lines.push_back(l);
        }
    }
    std::filesystem::remove(dir / "out.txt");
    std::filesystem::remove(dir / "err.txt");
    std::ofstream(dir / "in.txt", std::ios::binary) << input;

    Script in(lines);
    Sink out;
    const int status = run_program(
        in, out, [] { return DateTime{2026, 5, 6, 9, 5, 3}; }, dir);
    if (in.overrun) {
        return "console read after the end of input, again and again";
    }

    static const std::vector<std::string> endings = {
        "\r\nKONEC\r\n",
        "\r\nStop - Program terminated.\r\n",
        cp852("Chyba ve vstupu, max. počet bodů je 7\r\n"),
        cp852("Chyba ve vstupu, max. počet měření je 62\r\n"),
        cp852("Chyba ve vstupu, max. počet délek je 50\r\n"),
        cp852("Chyba ve vstupu, měř. délek může být max. 56\r\n"),
        cp852("Chyba při čtení vstupního souboru\r\n"),
    };
    bool ended = false;
    for (const auto& e : endings) {
        ended = ended || ends_with(out.text, e);
    }
    if (!ended || (status != 0 && status != 1)) {
        return "the run ended without its ending, status " + std::to_string(status);
    }
    const std::string listing = read(dir / "out.txt");
    if (!listing.empty() && listing.rfind(" KAVRON 3.09 Prostorov", 0) != 0) {
        return "the listing does not start with its header";
    }
    return {};
}

}  // namespace kavron::fuzz
