// Runs the whole program in-process on an input file and a console script taken from the fuzzer's
// bytes: the bytes before the first NUL are the input file, the lines after it the console
// answers that follow the three file names. Checks that the run ends with its console reads
// bounded, that the console ends with "KONEC" or a stop text, and that a created listing starts
// with its header.
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
    std::optional<std::string> read_line() override {
        if (++reads_ > lines_.size() + 16) {
            std::fprintf(stderr, "console read after the end of input, again and again\n");
            std::abort();
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

const std::filesystem::path& scratch() {
    static const std::filesystem::path dir = [] {
        std::string t = (std::filesystem::temp_directory_path() / "kavron-fuzz-XXXXXX").string();
        if (mkdtemp(t.data()) == nullptr) {
            std::abort();
        }
        return std::filesystem::path(t);
    }();
    return dir;
}

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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto cut = bytes.find('\0');
    const std::string input = bytes.substr(0, cut);
    std::vector<std::string> lines = {"err.txt", "out.txt", "in.txt"};
    if (cut != std::string::npos) {
        std::istringstream rest(bytes.substr(cut + 1));
        for (std::string l; std::getline(rest, l);) {
            lines.push_back(l);
        }
    }
    const auto& dir = scratch();
    std::filesystem::remove(dir / "out.txt");
    std::filesystem::remove(dir / "err.txt");
    std::ofstream(dir / "in.txt", std::ios::binary) << input;

    Script in(lines);
    Sink out;
    const int status = kavron::run_program(
        in, out, [] { return kavron::DateTime{2026, 5, 6, 9, 5, 3}; }, dir);

    static const std::vector<std::string> endings = {
        "\r\nKONEC\r\n",
        "\r\nStop - Program terminated.\r\n",
        kavron::cp852("Chyba ve vstupu, max. počet bodů je 7\r\n"),
        kavron::cp852("Chyba ve vstupu, max. počet měření je 62\r\n"),
        kavron::cp852("Chyba ve vstupu, max. počet délek je 50\r\n"),
        kavron::cp852("Chyba ve vstupu, měř. délek může být max. 56\r\n"),
        kavron::cp852("Chyba při čtení vstupního souboru\r\n"),
    };
    bool ended = false;
    for (const auto& e : endings) {
        ended = ended || ends_with(out.text, e);
    }
    if (!ended || (status != 0 && status != 1)) {
        std::fprintf(stderr, "the run ended without its ending (status %d)\n", status);
        std::abort();
    }
    const std::string listing = read(dir / "out.txt");
    if (!listing.empty() && listing.rfind(" KAVRON 3.09 Prostorov", 0) != 0) {
        std::fprintf(stderr, "the listing does not start with its header\n");
        std::abort();
    }
    return 0;
}
