// A run is deterministic, and a listing holds the date and time of its run and the derived
// quantities asked for: the program makes the listing again from the group's input and the bytes
// are compared.
#include "checking/remake.hpp"

#include <algorithm>
#include <memory>

#include "core/listing_texts.hpp"
#include "format/codepage.hpp"
#include "input/input.hpp"

namespace kavron {

namespace {

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

// A point number that the listing printed as "****": too wide for its field.
constexpr int kStars = -100000;

// An integer in the positions [at, at + w) of the line, blanks before it allowed; "****" (a
// number too wide for the field) gives kStars.
bool field(std::string_view line, std::size_t at, std::size_t w, int& v) {
    if (at + w > line.size()) {
        return false;
    }
    const std::string_view f = line.substr(at, w);
    if (f.find_first_not_of('*') == std::string_view::npos) {
        v = kStars;
        return true;
    }
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

bool plain_field(std::string_view line, std::size_t at, std::size_t w, int& v) {
    return field(line, at, w, v) && v != kStars;
}

// The derived quantities of a listing: each header with the point numbers of its rows, and the
// line where the first header stands (0: none).
struct Section {
    Derived kind;
    std::vector<std::vector<int>> rows;
};

std::vector<Section> derived_sections(std::string_view listing, std::size_t* first = nullptr) {
    using namespace listing_text;
    const std::pair<std::string, Derived> heads[] = {
        {cp1250(std::string(kDerivedLead) + std::string(kDistanceKind[0]) +
                std::string(kDistanceTail)),
         Derived::SpatialDistance},
        {cp1250(std::string(kDerivedLead) + std::string(kDistanceKind[1]) +
                std::string(kDistanceTail)),
         Derived::HorizontalDistance},
        {cp1250(kHeightTitle), Derived::HeightDifference},
        {cp1250(kAngleTitle), Derived::Angle},
        {cp1250(kZenithTitle), Derived::ZenithAngle}};
    std::vector<Section> out;
    std::size_t n = 0;
    for (const std::string_view line : lines_of(listing)) {
        ++n;
        bool head = false;
        for (const auto& [text, kind] : heads) {
            if (line == text) {
                if (out.empty() && first != nullptr) {
                    *first = n;
                }
                out.push_back({kind, {}});
                head = true;
            }
        }
        if (head || out.empty() || line.size() != kRowLength || line.substr(0, 2) != "  ") {
            continue;
        }
        // "  IIII -JJJJ        value ..." or, for an angle, "  JJJJ -IIII -KKKK  value ...".
        const bool angle = out.back().kind == Derived::Angle;
        std::vector<int> p(angle ? 3 : 2);
        bool ok = true;
        for (std::size_t k = 0; k < p.size(); ++k) {
            ok = ok && (k == 0 || line.substr(kRowPointAt[k] - 2, 2) == " -") &&
                 field(line, kRowPointAt[k], kRowPointWidth, p[k]);
        }
        if (ok) {
            out.back().rows.push_back(p);
        }
    }
    return out;
}

}  // namespace

bool listing_header(std::string_view listing, std::string& version, DateTime& date) {
    using namespace listing_text;
    const std::string_view line = first_line(listing);
    const std::string title = cp1250(kTitle);
    const std::string time = cp1250(kTime);
    const std::size_t t = line.find(title);
    if (!starts_with(line, kHead) || t == std::string_view::npos) {
        return false;
    }
    version = std::string(line.substr(kHead.size(), t - kHead.size()));
    const std::size_t d = t + title.size();
    const std::size_t c = d + kDateWidth;
    return line.size() == c + time.size() + kTimeWidth && line.substr(c, time.size()) == time &&
           plain_field(line, d, 2, date.day) && line[d + 2] == '.' &&
           plain_field(line, d + 3, 2, date.month) && line[d + 5] == '.' &&
           plain_field(line, d + 6, 4, date.year) &&
           plain_field(line, c + time.size(), 2, date.hour) && line[c + time.size() + 2] == ':' &&
           plain_field(line, c + time.size() + 3, 2, date.minute) &&
           line[c + time.size() + 5] == ':' &&
           plain_field(line, c + time.size() + 6, 2, date.second);
}

bool dialog_answers(std::string_view listing, std::vector<std::string>& answers,
                    const std::vector<int>& wide, bool* unreadable) {
    const std::vector<Section> sections = derived_sections(listing);
    std::size_t next = 0;
    bool told = true;
    // The dialog's questions in their order; each is answered yes when the listing's next
    // section is its kind: its rows, then the answers that end its entry.
    const auto ask = [&](Derived kind, const char* end_entry) {
        if (next < sections.size() && sections[next].kind == kind) {
            answers.emplace_back("a");
            for (const std::vector<int>& p : sections[next].rows) {
                std::string line;
                for (const int n : p) {
                    // A number too wide for its field is the job's one such point, if it has
                    // only one.
                    const bool stars = n == kStars;
                    told = told && (!stars || wide.size() == 1);
                    line += line.empty() ? "" : " ";
                    line += std::to_string(stars && !wide.empty() ? wide.front() : n);
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
    if (unreadable != nullptr) {
        *unreadable = !told;
    }
    return next == sections.size() && told;
}

namespace {

// The lines of two files compared line by line: the first that differs (0: none) and how many
// differ.
int compare_lines(const std::vector<std::string_view>& la, const std::vector<std::string_view>& lb,
                  FirstDifference& first) {
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
    using namespace listing_text;
    const auto lines = lines_of(diagnostics);
    if (lines.size() <= kNamesRecord || lines[kNamesRecord].size() != kNamesLength) {
        return false;
    }
    listing = std::string(lines[kNamesRecord].substr(kListingNameAt, kNameWidth));
    input = std::string(lines[kNamesRecord].substr(kInputNameAt, kNameWidth));
    return true;
}

const std::vector<std::string> kNoQuantities = {"n", "n", "n", "n"};

// A file of the program's as it was before it was saved again (by an editor) with a byte-order
// mark, in UTF-8, or with LF line ends; `form` says which happened (None: neither).
std::string as_written(const std::string& bytes, Likely& form) {
    std::string out(without_bom(bytes));
    form = out.size() != bytes.size() ? Likely::ByteOrderMark : Likely::None;
    const bool wide = std::any_of(out.begin(), out.end(),
                                  [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (wide && valid_utf8(out)) {  // the program's files in code page 1250 never are
        out = encode(out, CodePage::Cp1250);
        form = form == Likely::None ? Likely::Recoded : form;
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
bool same_bytes(std::string_view handed, std::string_view program, FirstDifference& first,
                int& differing) {
    differing = compare_lines(lines_of(handed), lines_of(program), first);
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

// Whether the listing is the program's cut short: its lines the program's first lines, its last
// perhaps a part of one, and fewer of them.
bool cut_short(const std::string& written, const std::string& program, FirstDifference& first) {
    const auto a = lines_of(written), b = lines_of(program);
    if (a.empty() || a.size() > b.size() || written.size() >= program.size()) {
        return false;
    }
    for (std::size_t k = 0; k + 1 < a.size(); ++k) {
        if (a[k] != b[k]) {
            return false;
        }
    }
    if (!starts_with(b[a.size() - 1], a.back())) {
        return false;
    }
    first.line = static_cast<int>(a.size());
    first.listing = decode(a.back(), CodePage::Cp1250);
    first.program = decode(b[a.size() - 1], CodePage::Cp1250);
    return true;
}

// Why a listing that is not the program's differs.
Likely likely_reason(const GroupCheck& g, const std::string& written, Likely form,
                     const std::string& program, int differing, bool one_dialog,
                     FirstDifference& first) {
    if (form != Likely::None && written == program) {
        return form;
    }
    if (g.listing_version != KAVRON_VERSION) {
        return Likely::Version;
    }
    if (cut_short(written, program, first)) {
        return Likely::Truncated;
    }
    if (!one_dialog) {
        return Likely::Dialog;
    }
    if (differing <= 2 && lines_of(written).size() == lines_of(program).size()) {
        return Likely::EditedLine;
    }
    return Likely::Input;
}

// The numbers of the job's points that the listing prints as "****" (too wide for I4).
std::vector<int> wide_points(const std::string& input) {
    const auto job = std::make_unique<Job>();
    (void)read_job(input, *job);
    std::vector<int> out;
    for (int i = 1; i <= job->IB; ++i) {
        if (job->IN[i] > 9999 || job->IN[i] < -999) {
            out.push_back(job->IN[i]);
        }
    }
    return out;
}

// The part of a listing before its derived quantities.
std::string before_derived(const std::string& listing) {
    std::size_t first = 0;
    (void)derived_sections(listing, &first);
    if (first == 0) {
        return listing;
    }
    std::size_t at = 0;
    for (std::size_t n = 1; n < first && at != std::string::npos; ++n) {
        at = listing.find('\n', at);
        at = at == std::string::npos ? at : at + 1;
    }
    return listing.substr(0, at);
}

}  // namespace

Outcome remake(const FolderFiles& f, const RunJob& run, GroupCheck& g, Results& res) {
    DateTime date{2000, 1, 1, 0, 0, 0};
    std::vector<std::string> answers;
    bool one_dialog = true, unreadable = false;
    Likely form = Likely::None;
    const std::string written = as_written(f.listing, form);
    if (!f.listing.empty()) {
        (void)listing_header(written, g.listing_version, date);
        // Rows whose "****" stands for no point or for one of several cannot be asked for again.
        one_dialog = dialog_answers(written, answers, wide_points(f.input), &unreadable);
    } else {
        answers = kNoQuantities;
    }
    std::string listing_name = f.found.listing, input_name = f.found.input;
    const bool named = named_in_diagnostics(f.diagnostics, listing_name, input_name);
    const RunOutcome out = run(f.input, date, answers, listing_name, input_name, res);
    int differing = 0;
    if (!f.listing.empty()) {
        if (unreadable) {
            // Compared up to the derived quantities, which cannot be asked for again.
            const std::string mine = before_derived(written), theirs = before_derived(out.listing);
            g.genuine = same_bytes(mine, theirs, g.first, differing);
            g.likely = g.genuine == true
                           ? Likely::WidePointNumbers
                           : likely_reason(g, mine, form, theirs, differing, true, g.first);
        } else {
            g.genuine = same_bytes(f.listing, out.listing, g.first, differing);
            if (g.genuine == false) {
                g.likely =
                    likely_reason(g, written, form, out.listing, differing, one_dialog, g.first);
            }
        }
    }
    if (!f.diagnostics.empty()) {
        g.diagnostics =
            named && same_bytes(f.diagnostics, out.diagnostics, g.diagnostics_first, differing);
    }
    return out.end;
}

}  // namespace kavron
