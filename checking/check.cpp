// The check of a class. A run is deterministic, and a listing holds the date and time of its run
// and the derived quantities asked for: the program makes the listing again from the group's
// input and compares the bytes. The group's measurements are matched with the reference's by
// kind, station and target; its adjusted coordinates are compared with the reference's in sds
// of the difference.
#include "checking/check.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <tuple>

#include "core/endings.hpp"
#include "format/codepage.hpp"
#include "input/input.hpp"
#include "platform/platform.hpp"

namespace kavron {

namespace {

constexpr double kCircle = 4000000.0;  // cc

bool starts_with(std::string_view s, std::string_view head) {
    return s.substr(0, head.size()) == head;
}

// The lines of a file without their ends (CR LF or LF).
std::vector<std::string_view> lines_of(std::string_view bytes) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        end = end == std::string_view::npos ? bytes.size() : end;
        if (end > start && bytes[end - 1] == '\r') {
            --end;
        }
        out.push_back(bytes.substr(start, end - start));
        start = next;
    }
    return out;
}

// The first line of a file, without its end.
std::string_view first_line(std::string_view bytes) {
    const std::size_t end = bytes.find_first_of("\r\n");
    return bytes.substr(0, end == std::string_view::npos ? bytes.size() : end);
}

// Whether the bytes read as an input file to the end of its measurements.
bool reads_as_input(std::string_view bytes) {
    const auto job = std::make_unique<Job>();
    InFile inp;
    inp.load(bytes);
    OutFile none;
    Reading rd{inp, none};
    for (Halt (*step)(Reading&, Job&) : {read_header, read_points, read_measurements}) {
        if (step(rd, *job)) {
            return false;
        }
    }
    return true;
}

}  // namespace

FileKind kind_of_file(std::string_view bytes) {
    const std::string_view first = first_line(bytes);
    if (starts_with(first, " KAVRON ")) {
        return FileKind::Listing;
    }
    if (first == cp1250("  Toto okno slouží ke kontrole dat. ")) {
        return FileKind::Diagnostics;
    }
    const std::size_t text = bytes.find_first_not_of(" \t\r\n");
    const std::string_view body = text == std::string_view::npos ? "" : bytes.substr(text);
    for (const char* head : {"Rozbor spolehlivosti měření", "Návrh sítě", "Porovnání epoch",
                             "Kontrola třídy", "\xEF\xBB\xBFskupina;"}) {
        if (first == cp1250(head) || starts_with(bytes, head)) {
            return FileKind::Report;
        }
    }
    if (starts_with(body, "{") || starts_with(body, "<?xml") || starts_with(body, "<svg")) {
        return FileKind::Report;
    }
    if (bytes.find('\0') == std::string_view::npos && reads_as_input(bytes)) {
        return FileKind::Input;
    }
    return FileKind::Unknown;
}

namespace {

// An integer in the positions [at, at + w) of the line, blanks before it allowed.
bool field(std::string_view line, std::size_t at, std::size_t w, int& v) {
    if (at + w > line.size()) {
        return false;
    }
    const std::string_view f = line.substr(at, w);
    const std::size_t a = f.find_first_not_of(' ');
    if (a == std::string_view::npos) {
        return false;
    }
    bool minus = f[a] == '-';
    std::size_t k = minus ? a + 1 : a;
    if (k == f.size()) {
        return false;
    }
    long n = 0;
    for (; k < f.size(); ++k) {
        if (f[k] < '0' || f[k] > '9') {
            return false;
        }
        n = n * 10 + (f[k] - '0');
    }
    v = static_cast<int>(minus ? -n : n);
    return true;
}

}  // namespace

bool listing_header(std::string_view listing, std::string& version, DateTime& date) {
    const std::string_view line = first_line(listing);
    const std::string_view head = " KAVRON ";
    const std::string title = cp1250(" Prostorová síť   E3   Datum: ");
    const std::string time = cp1250("   Čas: ");
    const std::size_t t = line.find(title);
    if (!starts_with(line, head) || t == std::string_view::npos) {
        return false;
    }
    version = std::string(line.substr(head.size(), t - head.size()));
    const std::size_t d = t + title.size();
    const std::size_t c = d + 10;
    return line.size() == c + time.size() + 8 && line.substr(c, time.size()) == time &&
           field(line, d, 2, date.day) && line[d + 2] == '.' && field(line, d + 3, 2, date.month) &&
           line[d + 5] == '.' && field(line, d + 6, 4, date.year) &&
           field(line, c + time.size(), 2, date.hour) && line[c + time.size() + 2] == ':' &&
           field(line, c + time.size() + 3, 2, date.minute) && line[c + time.size() + 5] == ':' &&
           field(line, c + time.size() + 6, 2, date.second);
}

namespace {

// The derived quantities of a listing: each header with the point numbers of its rows.
struct Section {
    Derived kind;
    std::vector<std::vector<int>> rows;
};

std::vector<Section> derived_sections(std::string_view listing) {
    const std::pair<std::string, Derived> heads[] = {
        {cp1250(" Výpočet prostorovédélky a její směrod. odchylky"), Derived::SpatialDistance},
        {cp1250(" Výpočet vodorovné délky a její směrod. odchylky"), Derived::HorizontalDistance},
        {cp1250(" Výpočet převýšení a jeho směrodat. odchylky"), Derived::HeightDifference},
        {cp1250(" Výpočet vodorovného úhlu a jeho směrodat. odch."), Derived::Angle},
        {cp1250(" Výpočet zenitového úhlu a jeho směrod. odch."), Derived::ZenithAngle}};
    std::vector<Section> out;
    for (const std::string_view line : lines_of(listing)) {
        bool head = false;
        for (const auto& [text, kind] : heads) {
            if (line == text) {
                out.push_back({kind, {}});
                head = true;
            }
        }
        if (head || out.empty() || line.size() != 47 || line.substr(0, 2) != "  ") {
            continue;
        }
        // "  IIII -JJJJ        value ..." or, for an angle, "  JJJJ -IIII -KKKK  value ...".
        const bool angle = out.back().kind == Derived::Angle;
        std::vector<int> p(angle ? 3 : 2);
        bool ok = field(line, 2, 4, p[0]) && line.substr(6, 2) == " -" && field(line, 8, 4, p[1]);
        if (angle) {
            ok = ok && line.substr(12, 2) == " -" && field(line, 14, 4, p[2]);
        }
        if (ok) {
            out.back().rows.push_back(p);
        }
    }
    return out;
}

}  // namespace

bool dialog_answers(std::string_view listing, std::vector<std::string>& answers) {
    const std::vector<Section> sections = derived_sections(listing);
    std::size_t next = 0;
    // The dialog's questions in their order; each is answered yes when the listing's next
    // section is its kind: its rows, then the answers that end its entry.
    const auto ask = [&](Derived kind, const char* end_entry) {
        if (next < sections.size() && sections[next].kind == kind) {
            answers.emplace_back("a");
            for (const std::vector<int>& p : sections[next].rows) {
                std::string line;
                for (const int n : p) {
                    line += line.empty() ? "" : " ";
                    line += std::to_string(n);
                }
                answers.push_back(line);
            }
            answers.emplace_back(end_entry);
            answers.emplace_back("a");
            ++next;
            return true;
        }
        answers.emplace_back("n");
        return false;
    };
    ask(Derived::SpatialDistance, "-1 -1");
    ask(Derived::HorizontalDistance, "-1 -1");
    // A negative number asks for the height difference again: an unreadable line ends it.
    ask(Derived::HeightDifference, "x");
    if (ask(Derived::Angle, "-1 -1 -1")) {
        ask(Derived::ZenithAngle, "-1 -1");
    }
    return next == sections.size();
}

namespace {

// ---- The files of a folder ----

struct FolderFiles {
    Found found;
    std::string input, listing, diagnostics;  // their bytes
};

std::string join(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) {
        out += out.empty() ? "" : ", ";
        out += n;
    }
    return out;
}

using NamedBytes = std::vector<std::pair<std::string, std::string>>;  // names and bytes

// Puts one file of a folder where its kind goes; false when the folder has two of a kind that
// may be there once (the folder's problem says so).
bool sort_file(const std::string& shown, std::string bytes, FolderFiles& f, NamedBytes& inputs,
               NamedBytes& texts) {
    std::string* slot = nullptr;
    std::string* bytes_slot = nullptr;
    switch (kind_of_file(bytes)) {
        case FileKind::Listing:
            slot = &f.found.listing, bytes_slot = &f.listing;
            break;
        case FileKind::Diagnostics:
            slot = &f.found.diagnostics, bytes_slot = &f.diagnostics;
            break;
        case FileKind::Input:
            inputs.emplace_back(shown, std::move(bytes));
            return true;
        case FileKind::Report:
            f.found.other.push_back(shown);
            return true;
        case FileKind::Unknown:
            f.found.unknown.push_back(shown);
            if (bytes.find('\0') == std::string::npos) {
                texts.emplace_back(shown, std::move(bytes));
            }
            return true;
    }
    if (!slot->empty()) {
        f.found.problem = "dva soubory stejného druhu: " + *slot + " a " + shown;
        return false;
    }
    *slot = shown;
    *bytes_slot = std::move(bytes);
    return true;
}

// The files of the folder at `path` by their kinds. When no file reads as an input to its end but
// there is a listing and one other text file, that file is taken as the input: an input with an
// error in it still gives a listing (which ends with the error).
void look_into(const std::string& path, FolderFiles& f) {
    const auto names = platform::files_in(path);
    if (!names) {
        f.found.problem = "není složka, kterou lze přečíst";
        return;
    }
    NamedBytes inputs, texts;
    for (const std::string& name : *names) {
        platform::check_interrupted();
        std::string bytes;
        std::string file = path;
        file += '/';
        file += name;
        const std::string shown = platform::shown_name(name, false);
        if (platform::read_file(file, bytes) != platform::ReadResult::Ok) {
            f.found.unknown.push_back(shown);
        } else if (!sort_file(shown, std::move(bytes), f, inputs, texts)) {
            return;
        }
    }
    if (inputs.size() > 1) {
        std::vector<std::string> shown;
        shown.reserve(inputs.size());
        for (const auto& in : inputs) {
            shown.push_back(in.first);
        }
        f.found.problem = "více vstupních souborů: " + join(shown);
        return;
    }
    if (inputs.empty() && texts.size() == 1 && !f.listing.empty()) {
        inputs.push_back(std::move(texts[0]));
        f.found.unknown.erase(
            std::find(f.found.unknown.begin(), f.found.unknown.end(), inputs[0].first));
    }
    if (inputs.size() == 1) {
        f.found.input = inputs[0].first;
        f.input = std::move(inputs[0].second);
    }
}

// ---- The input against the reference input ----

// -c/2 < d <= c/2 for a difference of directions.
double wrapped(double d) {
    d = std::fmod(d, kCircle);
    if (d > kCircle / 2) {
        d -= kCircle;
    } else if (d <= -kCircle / 2) {
        d += kCircle;
    }
    return d;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

using Key = std::tuple<int, int, int>;  // kind, station, target

Key key_of(const Observation& o) {
    return {static_cast<int>(o.kind), o.station, o.target};
}

// The a-priori sd of a measurement of the kind; the group's when the reference gives none.
double sd_of(Kind k, const Results& ref, const Results& grp) {
    const auto of = [k](const Results& r) {
        return static_cast<double>(k == Kind::Direction ? r.UU : k == Kind::Zenith ? r.UZ : r.UD);
    };
    return of(ref) > 0 ? of(ref) : of(grp);
}

// The group's measurement g matched with the reference's: the k-th measurement of a kind,
// station and target with the k-th of the reference (0: none).
std::vector<int> match(const Results& ref, const Results& grp, GroupCheck& g) {
    std::map<Key, std::vector<int>> at;
    for (int k = 1; k <= ref.observations_read; ++k) {
        at[key_of(ref.observations[k])].push_back(k);
    }
    std::map<Key, std::size_t> used;
    std::vector<int> m(static_cast<std::size_t>(grp.observations_read) + 1, 0);
    std::vector<bool> matched(static_cast<std::size_t>(ref.observations_read) + 1, false);
    for (int k = 1; k <= grp.observations_read; ++k) {
        const Observation& o = grp.observations[k];
        const Key key = key_of(o);
        std::size_t& u = used[key];
        const auto it = at.find(key);
        if (it != at.end() && u < it->second.size()) {
            const int r = it->second[u++];
            m[static_cast<std::size_t>(k)] = r;
            matched[static_cast<std::size_t>(r)] = true;
        } else {
            g.extra.push_back({o.kind, o.station, o.target});
        }
    }
    for (int k = 1; k <= ref.observations_read; ++k) {
        if (!matched[static_cast<std::size_t>(k)]) {
            const Observation& o = ref.observations[k];
            g.missing.push_back({o.kind, o.station, o.target});
        }
    }
    return m;
}

void typo_if(GroupCheck& g, const Observation& o, const Observation& r, double difference,
             double sd) {
    const double s = sd * std::sqrt(2.0);
    if (s > 0 ? std::fabs(difference) > kTypoFlag * s : std::fabs(difference) >= 0.05) {
        g.typos.push_back({{o.kind, o.station, o.target}, o.value, r.value, difference, s});
    }
}

// The directions of one set (a run of directions of one station in the group's file): their
// differences from the reference after the set's orientation difference, the median of them.
void compare_set(const Results& ref, const Results& grp, const std::vector<int>& m, int from,
                 int to, GroupCheck& g) {
    std::vector<int> ks;
    std::vector<double> d;
    for (int k = from; k < to; ++k) {
        if (const int r = m[static_cast<std::size_t>(k)]; r != 0) {
            const double raw = grp.observations[k].value - ref.observations[r].value;
            // Taken near the first difference, so that a median does not cross the circle's end.
            d.push_back(d.empty() ? wrapped(raw) : d.front() + wrapped(raw - d.front()));
            ks.push_back(k);
        }
    }
    if (d.empty()) {
        return;
    }
    const double orientation = median(d);
    const double sd = sd_of(Kind::Direction, ref, grp);
    for (std::size_t i = 0; i < ks.size(); ++i) {
        const Observation& o = grp.observations[ks[i]];
        typo_if(g, o, ref.observations[m[static_cast<std::size_t>(ks[i])]], d[i] - orientation, sd);
    }
}

void compare_measurements(const Results& ref, const Results& grp, GroupCheck& g) {
    const std::vector<int> m = match(ref, grp, g);
    int k = 1;
    while (k <= grp.observations_read) {
        const Observation& o = grp.observations[k];
        if (o.kind == Kind::Direction) {
            int end = k + 1;
            while (end <= grp.observations_read && grp.observations[end].kind == Kind::Direction &&
                   grp.observations[end].station == o.station) {
                ++end;
            }
            compare_set(ref, grp, m, k, end, g);
            k = end;
            continue;
        }
        if (const int r = m[static_cast<std::size_t>(k)]; r != 0) {
            typo_if(g, o, ref.observations[r], o.value - ref.observations[r].value,
                    sd_of(o.kind, ref, grp));
        }
        ++k;
    }
}

// The list position of the point numbered n (0: none).
int position(const Results& res, int n) {
    for (int i = 1; i <= res.points_read; ++i) {
        if (res.points[i].number == n) {
            return i;
        }
    }
    return 0;
}

void compare_points(const Results& ref, const Results& grp, GroupCheck& g) {
    for (int i = 1; i <= ref.points_read; ++i) {
        const Point& r = ref.points[i];
        const int j = position(grp, r.number);
        if (j == 0) {
            g.points.push_back({r.number, PointDifference::Missing, 0, r.code, 0});
            continue;
        }
        const Point& p = grp.points[j];
        if (p.code != r.code) {
            g.points.push_back({r.number, PointDifference::Code, p.code, r.code, 0});
        }
        double most = 0;
        for (int a = 0; a < 3; ++a) {
            most = std::max(most, std::fabs(p.approx[a] - r.approx[a]));
        }
        if (r.code != 0 && most >= 0.05) {
            g.points.push_back({r.number, PointDifference::Coordinates, p.code, r.code, most});
        }
    }
    for (int j = 1; j <= grp.points_read; ++j) {
        if (position(ref, grp.points[j].number) == 0) {
            g.points.push_back(
                {grp.points[j].number, PointDifference::Extra, grp.points[j].code, 0, 0});
        }
    }
}

// ---- The results against the reference's ----

void compare_results(const Results& ref, const Results& grp, GroupCheck& g) {
    g.adjusted = true;
    g.m0 = grp.m0_tested ? grp.m0 : grp.MO;
    if (grp.m0_tested) {
        g.m0_test_passed = !grp.m0_warning;
    }
    const Reliability& rel = grp.reliability;
    const int s = rel.max_index;
    if (rel.computed && grp.redundancy >= 1 && rel.controlled > 0 && s != 0 && rel.of[s].outlier) {
        const Observation& o = grp.observations[s];
        g.suspect = Named{o.kind, o.station, o.target};
    }
    for (int i = 1; i <= ref.points_read; ++i) {
        const int j = position(grp, ref.points[i].number);
        if (j == 0) {
            continue;
        }
        for (int a = 0; a < 3; ++a) {
            CoordinateDifference c;
            c.point = ref.points[i].number;
            c.axis = a;
            c.mm = grp.points[j].adjusted[a] - ref.points[i].adjusted[a];
            const int ri = 3 * (i - 1) + a, gj = 3 * (j - 1) + a;
            c.sd = std::sqrt(std::max(0.0, ref.covariance[ri][ri]) +
                             std::max(0.0, grp.covariance[gj][gj]));
            c.has_sigma = c.sd > 1e-9;
            c.sigma = c.has_sigma ? std::fabs(c.mm) / c.sd : 0;
            c.flagged = c.has_sigma ? c.sigma > kCoordinateFlag : std::fabs(c.mm) >= 0.05;
            if (!g.has_max || std::fabs(c.mm) > g.max_mm) {
                g.has_max = true;
                g.max_mm = std::fabs(c.mm);
            }
            if (c.has_sigma && (!g.has_max_sigma || c.sigma > g.max_sigma)) {
                g.has_max_sigma = true;
                g.max_sigma = c.sigma;
            }
            g.coordinates.push_back(c);
        }
    }
}

}  // namespace

namespace {

// ---- The listing against the program's ----

// The lines of two files compared line by line: the first that differs (0: none) and how many
// differ.
int compare_lines(std::string_view a, std::string_view b, FirstDifference& first) {
    const auto la = lines_of(a), lb = lines_of(b);
    int differing = 0;
    for (std::size_t k = 0; k < std::max(la.size(), lb.size()); ++k) {
        const std::string_view x = k < la.size() ? la[k] : std::string_view();
        const std::string_view y = k < lb.size() ? lb[k] : std::string_view();
        if (x == y && k < la.size() && k < lb.size()) {
            continue;
        }
        if (++differing == 1) {
            first.line = static_cast<int>(k) + 1;
            first.listing = decode(x, CodePage::Cp1250);
            first.program = decode(y, CodePage::Cp1250);
        }
    }
    return differing;
}

// The names the diagnostics file gives the listing and the input (its fourth record), as the
// dialog took them.
bool named_in_diagnostics(std::string_view diagnostics, std::string& listing, std::string& input) {
    const auto lines = lines_of(diagnostics);
    if (lines.size() < 4 || lines[3].size() != 61) {
        return false;
    }
    listing = std::string(lines[3].substr(5, 26));
    input = std::string(lines[3].substr(35, 26));
    return true;
}

const std::vector<std::string> kNoQuantities = {"n", "n", "n", "n"};

// A file of the program's as it was before it was saved again in UTF-8 (by an editor), or with
// LF line ends; `form` says which happened (None: neither).
std::string as_written(const std::string& bytes, Likely& form) {
    std::string out = bytes;
    form = Likely::None;
    const bool wide = std::any_of(out.begin(), out.end(),
                                  [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (wide && valid_utf8(out)) {  // the program's files in code page 1250 never are
        out = encode(out, CodePage::Cp1250);
        form = Likely::Recoded;
    }
    if (out.find("\r\n") == std::string::npos && out.find('\n') != std::string::npos) {
        std::string crlf;
        for (const char c : out) {
            crlf += c == '\n' ? "\r\n" : std::string(1, c);
        }
        out = std::move(crlf);
        form = form == Likely::None ? Likely::LineEnds : form;
    }
    return out;
}

// Compares a handed-in file with the program's: true when the bytes are the same; else the first
// differing line and how many differ (the line ends alone: the first line, one).
bool same_bytes(const std::string& handed, const std::string& program, FirstDifference& first,
                int& differing) {
    differing = compare_lines(handed, program, first);
    if (handed == program) {
        return true;
    }
    if (differing == 0) {
        first = {1, decode(first_line(handed), CodePage::Cp1250),
                 decode(first_line(program), CodePage::Cp1250)};
        differing = 1;
    }
    return false;
}

// Why a listing that is not the program's differs.
Likely likely_reason(const GroupCheck& g, const std::string& written, Likely form,
                     const std::string& program, int differing, bool one_dialog) {
    if (form != Likely::None && written == program) {
        return form;
    }
    if (g.listing_version != KAVRON_VERSION) {
        return Likely::Version;
    }
    if (!one_dialog) {
        return Likely::Dialog;
    }
    if (differing <= 2 && lines_of(written).size() == lines_of(program).size()) {
        return Likely::EditedLine;
    }
    return Likely::Input;
}

// Runs the group's input again as its listing says it was run and compares the files.
void remake(const FolderFiles& f, const RunJob& run, GroupCheck& g, Results& res) {
    DateTime date{2000, 1, 1, 0, 0, 0};
    std::vector<std::string> answers;
    bool one_dialog = true;
    Likely form = Likely::None;
    const std::string written = as_written(f.listing, form);
    if (!f.listing.empty()) {
        (void)listing_header(written, g.listing_version, date);
        one_dialog = dialog_answers(written, answers);
    } else {
        answers = kNoQuantities;
    }
    std::string listing_name = f.found.listing, input_name = f.found.input;
    const bool named = named_in_diagnostics(f.diagnostics, listing_name, input_name);
    const RunOutcome out = run(f.input, date, answers, listing_name, input_name, res);
    int differing = 0;
    if (!f.listing.empty()) {
        g.genuine = same_bytes(f.listing, out.listing, g.first, differing);
        if (g.genuine == false) {
            g.likely = likely_reason(g, written, form, out.listing, differing, one_dialog);
        }
    }
    if (!f.diagnostics.empty()) {
        g.diagnostics =
            named && same_bytes(f.diagnostics, out.diagnostics, g.diagnostics_first, differing);
    }
}

std::string count(std::size_t n, const char* one, const char* few, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : n >= 2 && n <= 4 ? few : many);
}

std::string likely_text(Likely l) {
    switch (l) {
        case Likely::Version:
            return "jiná verze programu";
        case Likely::Input:
            return "jiný vstup";
        case Likely::EditedLine:
            return "upravený řádek";
        case Likely::Dialog:
            return "výpočty na konci nepocházejí z jednoho dialogu";
        case Likely::Recoded:
            return "uložen znovu v UTF-8";
        case Likely::LineEnds:
            return "uložen znovu s jinými konci řádků";
        case Likely::None:
            break;
    }
    return {};
}

// One line that sums up what was found; `ok` when nothing was.
void verdict(GroupCheck& g) {
    std::vector<std::string> found;
    const Found& f = g.files;
    if (!f.problem.empty()) {
        found.push_back(f.problem);
    } else {
        if (f.input.empty()) {
            found.emplace_back("chybí vstupní soubor");
        }
        if (f.listing.empty()) {
            found.emplace_back("chybí výpis");
        }
    }
    if (g.likely == Likely::Recoded || g.likely == Likely::LineEnds) {
        found.push_back("výpis " + likely_text(g.likely));
    } else if (g.genuine == false) {
        found.push_back("výpis neodpovídá vstupu (řádek " + std::to_string(g.first.line) +
                        (g.likely != Likely::None ? ", " + likely_text(g.likely) : "") + ")");
    }
    if (g.diagnostics == false) {
        found.emplace_back("chybový soubor neodpovídá vstupu");
    }
    if (!g.input_problem.empty()) {
        found.push_back(g.input_problem);
    } else if (!g.ending.empty()) {
        found.push_back("výpočet neskončil řádně: " + g.ending);
    }
    if (!g.typos.empty()) {
        found.push_back(count(g.typos.size(), "překlep", "překlepy", "překlepů"));
    }
    if (!g.missing.empty()) {
        found.push_back("chybí " + count(g.missing.size(), "měření", "měření", "měření"));
    }
    if (!g.extra.empty()) {
        found.push_back(count(g.extra.size(), "měření", "měření", "měření") + " navíc");
    }
    if (!g.points.empty()) {
        found.push_back("body se liší od zadání");
    }
    if (g.m0_test_passed == false) {
        found.emplace_back("m0 neprošlo testem");
    }
    if (g.suspect) {
        found.emplace_back("podezřelé měření");
    }
    const bool far = std::any_of(g.coordinates.begin(), g.coordinates.end(),
                                 [](const CoordinateDifference& c) { return c.flagged; });
    if (far) {
        found.emplace_back("souřadnice se liší od referenčních");
    }
    g.ok = found.empty();
    g.verdict = g.ok ? "v pořádku" : "";
    for (const std::string& s : found) {
        g.verdict += g.verdict.empty() ? "" : "; ";
        g.verdict += s;
    }
}

// A name from the command line, taken in `dir` unless that is empty or the name absolute.
std::string in_dir(const std::filesystem::path& dir, const std::string& name) {
    return dir.empty() || std::filesystem::path(name).is_absolute() ? name : (dir / name).string();
}

void check_group(const std::string& folder, const std::filesystem::path& dir, const Results& ref,
                 const RunJob& run, GroupCheck& g) {
    g.folder = platform::shown_name(folder, false);
    FolderFiles f;
    look_into(in_dir(dir, folder), f);
    g.files = f.found;
    if (!f.found.problem.empty() || f.input.empty()) {
        verdict(g);
        return;
    }
    const auto res = std::make_unique<Results>();
    remake(f, run, g, *res);
    g.input_read = res->input_line == 0;
    if (!g.input_read) {
        g.input_problem = "vstup nelze přečíst: chyba na řádku " + std::to_string(res->input_line);
    } else {
        compare_points(ref, *res, g);
        compare_measurements(ref, *res, g);
    }
    if (res->ending == Ending::Normal && res->adjusted) {
        compare_results(ref, *res, g);
    } else if (g.input_read) {
        g.ending = res->ending_text.empty()
                       ? std::string(info(res->ending).kind)
                       : res->ending_text.substr(0, res->ending_text.find('\n'));
    }
    verdict(g);
}

}  // namespace

std::optional<std::string> check_class(const std::string& reference,
                                       const std::vector<std::string>& folders,
                                       const std::filesystem::path& dir, const RunJob& run,
                                       ClassCheck& out) {
    const std::string path = in_dir(dir, reference);
    std::string bytes;
    int error = 0;
    switch (platform::read_file(path, bytes, &error)) {
        case platform::ReadResult::Ok:
            break;
        case platform::ReadResult::TooLarge:
            return "zadání " + reference + " je větší než 1 MB";
        case platform::ReadResult::Cannot:
            return "zadání " + reference + " nelze přečíst: " + platform::reason_of(error);
    }
    const auto ref = std::make_unique<Results>();
    (void)run(bytes, DateTime{2000, 1, 1, 0, 0, 0}, kNoQuantities, "", reference, *ref);
    if (ref->ending != Ending::Normal || !ref->adjusted) {
        const std::string said = ref->ending_text.substr(0, ref->ending_text.find('\n'));
        return "zadání " + reference +
               " nelze vyrovnat: " + (said.empty() ? std::string(info(ref->ending).kind) : said);
    }
    out.reference = platform::shown_name(reference, false);
    out.m0 = ref->m0_tested ? ref->m0 : ref->MO;
    out.groups.clear();
    for (const std::string& folder : folders) {
        platform::check_interrupted();
        out.groups.emplace_back();
        check_group(folder, dir, *ref, run, out.groups.back());
    }
    return std::nullopt;
}

}  // namespace kavron
