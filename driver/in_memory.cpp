// A run on files in memory: the class check's run of a group's input.
#include <algorithm>
#include <memory>

#include "driver/file_dialog.hpp"
#include "driver/run_parts.hpp"

namespace kavron {

namespace {

// A file in memory: the bytes written to it.
class MemoryFile : public RawFile {
public:
    explicit MemoryFile(std::string& bytes) : bytes_(bytes) {}
    bool write(std::string_view bytes, std::size_t& done, int&) override {
        bytes_.append(bytes);
        done = bytes.size();
        return true;
    }
    bool truncate(std::uint64_t size) override {
        bytes_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, bytes_.size())));
        return true;
    }
    bool close(int&) override { return true; }

private:
    std::string& bytes_;
};

// The console of a run in memory: the answers given, then the end of input; what it writes
// goes nowhere.
class Answers : public LineReader, public ByteWriter {
public:
    explicit Answers(const std::vector<std::string>& lines) : lines_(lines) {}
    std::optional<std::string> read_line() override {
        if (next_ == lines_.size()) {
            return std::nullopt;
        }
        return lines_[next_++];
    }
    void write(std::string_view) override {}

private:
    const std::vector<std::string>& lines_;
    std::size_t next_ = 0;
};

// A name as the file dialog keeps it: its first 24 characters in 26.
std::string as_typed(const std::string& name) {
    std::string n = name.substr(0, 24);
    n.resize(26, ' ');
    return n;
}

}  // namespace

InMemory run_in_memory(std::string_view input, const DateTime& date,
                       const std::vector<std::string>& answers, const std::string& listing_name,
                       const std::string& input_name, Storage& st) {
    Answers console(answers);
    Console con(console, console);
    Run r{con, {}, {}, {}, {}, {}, {}};
    r.analyse = true;
    InMemory m;
    r.diag.attach(std::make_unique<MemoryFile>(m.diagnostics));
    r.lst.attach(std::make_unique<MemoryFile>(m.listing));
    r.ADRESA = as_typed(listing_name);
    r.ADRESB = as_typed(input_name);
    Results& res = st.results;
    res.date = date;
    diagnostics_opened(r);
    diagnostics_named(r);
    r.inp.load(input);
    m.status = finish_guarded(r, st.outcome, [&] { return job_run(r, st); });
    r.lst.close();
    r.diag.close();
    return m;
}

RunOutcome run_group(std::string_view input, const DateTime& date,
                     const std::vector<std::string>& answers, const std::string& listing_name,
                     const std::string& input_name, Results& res) {
    const auto st = std::make_unique<Storage>();
    const InMemory m = run_in_memory(input, date, answers, listing_name, input_name, *st);
    res = st->results;
    return {m.listing, m.diagnostics, m.status, st->outcome};
}

}  // namespace kavron
