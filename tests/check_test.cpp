// The check of a class. A class is generated here: one network from true coordinates, measured
// by groups with their own noise and station orientations, each run by the program as a student
// runs it, and faults planted in some folders. The expected flags follow from what was planted,
// not from the program's own comparison.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <random>

#include "checking/check.hpp"
#include "format/codepage.hpp"
#include "harness.hpp"
#include "network.hpp"
#include "reports/reports.hpp"

namespace kavron {
namespace {

namespace fs = std::filesystem;
using test::lines_of;
using test::slurp;

void put(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

// The true network: five points, codes fixing the datum, every sight measured with the weight
// of its a-priori sd (unit sd 1: p = 1/sd²; the header's sds are 10 cc, 2 mm and 20 cc), two
// sights more precise than their kind.
test::Network true_network() {
    test::Network n = test::five_points(7, 2, 0, 0, 0);
    n.observe_all();
    for (auto& d : n.dirs) {
        d.weight = 0.01;
    }
    for (auto& d : n.zeniths) {
        d.weight = 0.0025;
    }
    for (auto& d : n.dists) {
        d.weight = 0.25;
    }
    n.dists[3].weight = 1.0;
    n.dirs[5].weight = 0.04;
    return n;
}

// A normal deviate from the generator (Box-Muller: the same on every library).
double normal(std::mt19937& g) {
    const double u1 = (static_cast<double>(g()) + 1.0) / 4294967297.0;
    const double u2 = static_cast<double>(g()) / 4294967296.0;
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * 3.141592653589793 * u2);
}

// A group's measurements: the true ones with noise of their a-priori sds, the group's own
// orientation of every set, and an optional blunder.
std::string measured(unsigned seed, double blunder_cc = 0) {
    test::Network n = true_network();
    std::mt19937 g(seed);
    for (auto* sights : {&n.dirs, &n.zeniths, &n.dists}) {
        for (auto& d : *sights) {
            d.blunder = normal(g) / std::sqrt(d.weight);
        }
    }
    n.orientation = 37000.0 * seed;
    n.dirs[7].blunder += blunder_cc;
    return n.text("Cviceni 4, skupina " + std::to_string(seed));
}

// The dialog as a student answers it: a spatial distance, a height difference (after a point
// number the network does not have, when `refuse`), an angle and a zenith angle.
std::vector<std::string> dialog(bool refuse) {
    std::vector<std::string> a = {"chyby.txt", "vysledky.txt", "mereni.txt", "a", "1 3",
                                  "2 4",       "-1 -1",        "a",          "n", "a"};
    if (refuse) {
        a.emplace_back("1 9");
    }
    for (const char* s :
         {"1 5", "konec", "a", "a", "2 1 3", "-1 0 0", "a", "a", "5 4", "-1 -1", "a"}) {
        a.emplace_back(s);
    }
    return a;
}

// Runs the program in the folder on the input, as a student would.
void run_in(const fs::path& dir, const std::string& input, bool refuse = false,
            DateTime (*clock)() = test::fixed_clock) {
    fs::create_directories(dir);
    put(dir / "mereni.txt", input);
    test::ScriptReader in(dialog(refuse));
    test::StringWriter out;
    const auto st = std::make_unique<Storage>();
    ASSERT_EQ(run_program(in, out, clock, *st, dir), 0);
}

DateTime new_year() {
    return {2025, 12, 31, 23, 59, 58};
}

struct GeneratedClass : ::testing::Test {
    test::Scratch s;
    ClassCheck cc;
    std::string edited_line_text;
    int edited_line = 0;

    void SetUp() override {
        put(s.dir() / "zadani.txt", true_network().text("Cviceni 4, zadani"));
        run_in(s.dir() / "g1", measured(1));
        run_in(s.dir() / "g2", measured(2));
        run_in(s.dir() / "g3", measured(3));
        run_in(s.dir() / "g4", measured(4, 1000.0));
        run_in(s.dir() / "g5", measured(5), false, new_year);
        run_in(s.dir() / "g6", measured(6), true);
        run_in(s.dir() / "g7", measured(7));
        run_in(s.dir() / "g8", measured(8));
        // g2: one digit of an adjusted coordinate edited.
        std::vector<std::string> lines = lines_of(slurp(s.dir() / "g2" / "vysledky.txt"));
        for (std::size_t k = 0; k < lines.size() && edited_line == 0; ++k) {
            if (lines[k].rfind("    3 ", 0) == 0) {
                std::string& l = lines[k];
                const std::size_t d = l.find_last_of("0123456789");
                l[d] = l[d] == '7' ? '8' : '7';
                edited_line = static_cast<int>(k) + 1;
            }
        }
        ASSERT_NE(edited_line, 0);
        std::string text;
        for (std::string& l : lines) {
            if (!l.empty() && l.back() == '\r') {
                l.pop_back();
            }
            text += l + "\r\n";
        }
        put(s.dir() / "g2" / "vysledky.txt", text);
        // g3: the listing of another group's input.
        fs::copy_file(s.dir() / "g1" / "vysledky.txt", s.dir() / "g3" / "vysledky.txt",
                      fs::copy_options::overwrite_existing);
        // g7: no listing handed in.
        fs::remove(s.dir() / "g7" / "vysledky.txt");
        ASSERT_EQ(check_class("zadani.txt", {"g1", "g2", "g3", "g4", "g5", "g6", "g7", "g8"},
                              s.dir(), run_group, cc),
                  std::nullopt);
        ASSERT_EQ(cc.groups.size(), 8u);
    }

    const GroupCheck& group(int k) const { return cc.groups[static_cast<std::size_t>(k - 1)]; }
};

// The results of a measured group agree with the reference: nothing flagged there.
void expect_results_agree(const GroupCheck& g) {
    EXPECT_TRUE(g.adjusted) << g.folder;
    EXPECT_EQ(g.m0_test_passed, true) << g.folder;
    EXPECT_FALSE(g.suspect) << g.folder;
    for (const CoordinateDifference& c : g.coordinates) {
        EXPECT_FALSE(c.flagged) << g.folder << " " << c.point << " " << c.axis;
    }
}

void expect_input_agrees(const GroupCheck& g) {
    EXPECT_TRUE(g.input_read) << g.folder;
    EXPECT_TRUE(g.typos.empty()) << g.folder;
    EXPECT_TRUE(g.missing.empty() && g.extra.empty() && g.points.empty()) << g.folder;
}

TEST_F(GeneratedClass, EveryPlantedFaultIsFlaggedAndNothingElse) {
    // Untouched folders: a run on another date and a dialog that refused a point are genuine.
    for (const int k : {1, 5, 6, 8}) {
        const GroupCheck& g = group(k);
        EXPECT_EQ(g.genuine, true) << g.folder << ": " << g.first.line << "\n"
                                   << g.first.listing << "\n"
                                   << g.first.program;
        EXPECT_EQ(g.diagnostics, true) << g.folder;
        expect_input_agrees(g);
        expect_results_agree(g);
        EXPECT_TRUE(g.ok) << g.folder << ": " << check_verdict(g);
        EXPECT_EQ(check_verdict(g), "v pořádku");
    }
    // The edited digit: that line, told as an edited line.
    const GroupCheck& edited = group(2);
    EXPECT_EQ(edited.genuine, false);
    EXPECT_EQ(edited.first.line, edited_line);
    EXPECT_EQ(edited.likely, Likely::EditedLine);
    EXPECT_NE(edited.first.listing, edited.first.program);
    expect_input_agrees(edited);
    expect_results_agree(edited);
    // Another group's listing: another input.
    const GroupCheck& other = group(3);
    EXPECT_EQ(other.genuine, false);
    EXPECT_EQ(other.likely, Likely::Input);
    EXPECT_EQ(other.diagnostics, true);  // its own diagnostics file is genuine
    expect_input_agrees(other);
    expect_results_agree(other);
    // The direction typed 1000 cc off: the listing is genuine, the typo is found with both
    // values, and the analysis names it.
    const GroupCheck& typo = group(4);
    EXPECT_EQ(typo.genuine, true);
    ASSERT_EQ(typo.typos.size(), 1u);
    const test::Sight planted = true_network().dirs[7];
    EXPECT_EQ(typo.typos[0].m.kind, Kind::Direction);
    EXPECT_EQ(typo.typos[0].m.station, planted.from);
    EXPECT_EQ(typo.typos[0].m.target, planted.to);
    EXPECT_NEAR(typo.typos[0].difference, 1000.0, 60.0);
    EXPECT_NEAR(typo.typos[0].sd, 10.0 * std::sqrt(2.0), 1e-9);
    ASSERT_TRUE(typo.suspect);
    EXPECT_EQ(typo.suspect->station, planted.from);
    EXPECT_EQ(typo.suspect->target, planted.to);
    EXPECT_FALSE(typo.ok);
    // No listing: not judged, said so.
    const GroupCheck& none = group(7);
    EXPECT_FALSE(none.genuine.has_value());
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(check_verdict(none), "chybí výpis");
    expect_input_agrees(none);
    expect_results_agree(none);
}

TEST_F(GeneratedClass, ReportsHoldEveryGroupInOrder) {
    const std::string csv = check_csv(cc);
    ASSERT_EQ(csv.rfind("\xEF\xBB\xBFskupina;", 0), 0u);
    const std::vector<std::string> rows = lines_of(csv);
    ASSERT_EQ(rows.size(), 9u);
    for (int k = 1; k <= 8; ++k) {
        std::string start = std::to_string(k);
        start.insert(start.begin(), 'g');
        start += ';';
        EXPECT_EQ(rows[static_cast<std::size_t>(k)].rfind(start, 0), 0u);
    }
    std::string cells = std::to_string(edited_line);
    cells.insert(0, ";ne;");
    cells += ';';
    EXPECT_NE(rows[2].find(cells), std::string::npos);
    const std::string report = check_report(cc);
    EXPECT_NE(report.find("\r\n"), std::string::npos);
    EXPECT_EQ(report.find('\n'), report.find("\r\n") + 1);
}

// A group folder is recognised by content, whatever the names; what cannot be checked gets its
// row and the check goes on.
TEST(CheckFolders, FilesAreToldApartByContentAndBadFoldersGetRows) {
    test::Scratch s;
    put(s.dir() / "zadani.txt", true_network().text());
    run_in(s.dir() / "a", measured(11));
    fs::rename(s.dir() / "a" / "vysledky.txt", s.dir() / "a" / "protokol");
    fs::rename(s.dir() / "a" / "mereni.txt", s.dir() / "a" / "data.dat");
    put(s.dir() / "a" / "poznamky.txt", "Meril Novak a Svoboda.\n");
    run_in(s.dir() / "b", measured(12));
    fs::copy_file(s.dir() / "b" / "mereni.txt", s.dir() / "b" / "kopie.txt");
    put(s.dir() / "c" / "nic.txt", "");
    // An input with an error in it (a weight that is no number) still has its listing.
    std::string broken = measured(13);
    broken.replace(broken.find(" 0.01\n"), 6, " 0.0x\n");
    run_in(s.dir() / "d", broken);
    // Listings saved again by an editor: in UTF-8 with LF line ends, and with LF line ends.
    for (const char* g : {"e", "f"}) {
        run_in(s.dir() / g, measured(14));
        std::string text = slurp(s.dir() / g / "vysledky.txt");
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        put(s.dir() / g / "vysledky.txt",
            std::string(g) == "e" ? decode(text, CodePage::Cp1250) : text);
    }
    ClassCheck cc;
    ASSERT_EQ(
        check_class("zadani.txt", {"a", "b", "c", "chybi", "d", "e", "f"}, s.dir(), run_group, cc),
        std::nullopt);
    ASSERT_EQ(cc.groups.size(), 7u);
    EXPECT_EQ(cc.groups[5].genuine, false);
    EXPECT_EQ(cc.groups[5].likely, Likely::Recoded);
    EXPECT_EQ(cc.groups[6].genuine, false);
    EXPECT_EQ(cc.groups[6].likely, Likely::LineEnds);
    EXPECT_EQ(cc.groups[6].first.line, 1);
    EXPECT_EQ(check_verdict(cc.groups[5]), "výpis uložen znovu v UTF-8");
    const GroupCheck& d = cc.groups[4];
    EXPECT_EQ(d.files.input, "mereni.txt");
    EXPECT_TRUE(d.files.unknown.empty());
    EXPECT_EQ(d.genuine, true);
    EXPECT_EQ(d.input_problem, "vstup nelze přečíst: chyba na řádku 9");
    EXPECT_EQ(check_verdict(d), "vstup nelze přečíst: chyba na řádku 9");
    EXPECT_FALSE(d.adjusted);
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(cc.groups[0].files.input, "data.dat");
    EXPECT_EQ(cc.groups[0].files.listing, "protokol");
    EXPECT_EQ(cc.groups[0].files.unknown, std::vector<std::string>{"poznamky.txt"});
    EXPECT_EQ(cc.groups[0].genuine, true);
    EXPECT_EQ(cc.groups[1].files.problem, "více vstupních souborů: kopie.txt, mereni.txt");
    EXPECT_FALSE(cc.groups[1].genuine.has_value());
    EXPECT_EQ(check_verdict(cc.groups[2]), "chybí vstupní soubor; chybí výpis");
    EXPECT_EQ(cc.groups[3].files.problem, "není složka, kterou lze přečíst");
    for (const GroupCheck& g : cc.groups) {
        EXPECT_FALSE(check_verdict(g).empty());
    }
}

// The answers that ask again for the derived quantities a listing holds.
TEST(CheckDialog, AnswersFollowTheListingsSections) {
    test::Scratch s;
    run_in(s.dir(), measured(21), true);
    std::vector<std::string> answers;
    ASSERT_TRUE(dialog_answers(slurp(s.dir() / "vysledky.txt"), answers));
    const std::vector<std::string> expected = {"a",        "1 3", "2 4", "-1 -1", "a",     "n",
                                               "a",        "1 5", "x",   "a",     "a",     "2 1 3",
                                               "-1 -1 -1", "a",   "a",   "5 4",   "-1 -1", "a"};
    EXPECT_EQ(answers, expected);
    std::string version;
    DateTime d{};
    ASSERT_TRUE(listing_header(slurp(s.dir() / "vysledky.txt"), version, d));
    EXPECT_EQ(version, KAVRON_VERSION);
    EXPECT_EQ(d.day, 6);
    EXPECT_EQ(d.minute, 5);
    EXPECT_EQ(d.year, 2026);
}

// The shipped class gives the verdicts the guide explains, and the whole-run case of it holds
// the same files, so that the case cannot drift from the example.
TEST(CheckShippedClass, ExampleFoldersGiveTheirVerdicts) {
    const fs::path ex = fs::path(KAVRON_EXAMPLES) / "trida";
    const fs::path in_case =
        fs::path(KAVRON_TESTS_DIR) / "cases" / "class-check-with-its-reports" / "before";
    EXPECT_EQ(slurp(ex / "zadani.txt"), slurp(in_case / "zadani.txt"));
    for (const char* g : {"skupina-a", "skupina-b", "skupina-c"}) {
        for (const char* f : {"mereni.txt", "vysledky.txt", "chyby.txt"}) {
            EXPECT_EQ(slurp(ex / g / f), slurp(in_case / "trida" / g / f)) << g << "/" << f;
        }
    }
    ClassCheck cc;
    ASSERT_EQ(check_class("zadani.txt", {"skupina-a", "skupina-b", "skupina-c"}, ex, run_group, cc),
              std::nullopt);
    EXPECT_TRUE(cc.groups[0].ok);
    EXPECT_EQ(cc.groups[1].genuine, false);
    EXPECT_EQ(cc.groups[1].likely, Likely::EditedLine);
    EXPECT_TRUE(cc.groups[1].typos.empty());
    EXPECT_EQ(cc.groups[2].genuine, true);
    ASSERT_EQ(cc.groups[2].typos.size(), 1u);
    EXPECT_EQ(cc.groups[2].typos[0].m.station, 101);
    EXPECT_EQ(cc.groups[2].typos[0].m.target, 105);
}

// Every whole-run case that ends normally: its listing is genuine for its input (which is also
// the reference here).
TEST(CheckCases, EveryNormalRunsListingIsGenuine) {
    const fs::path cases = fs::path(KAVRON_TESTS_DIR) / "cases";
    int checked = 0;
    for (const auto& e : fs::directory_iterator(cases)) {
        const fs::path& dir = e.path();
        if (slurp(dir / "console").find(cp852("Výsledky výpočtu jsou v souboru")) ==
            std::string::npos) {
            continue;
        }
        test::Scratch s;
        for (const auto& f : fs::directory_iterator(dir / "after")) {
            const std::string bytes = slurp(f.path());
            if (kind_of_file(bytes) == FileKind::Listing ||
                kind_of_file(bytes) == FileKind::Diagnostics) {
                put(s.dir() / "g" / f.path().filename(), bytes);
            }
        }
        std::string input;
        if (fs::exists(dir / "example")) {
            const std::string job = lines_of(slurp(dir / "example")).at(0);
            input = slurp(fs::path(KAVRON_EXAMPLES) / (job + ".txt"));
        } else {
            for (const auto& f : fs::directory_iterator(dir / "before")) {
                if (kind_of_file(slurp(f.path())) == FileKind::Input) {
                    input = slurp(f.path());
                }
            }
        }
        put(s.dir() / "g" / "vstup", input);
        put(s.dir() / "zadani", input);
        ClassCheck cc;
        ASSERT_EQ(check_class("zadani", {"g"}, s.dir(), run_group, cc), std::nullopt)
            << dir.filename();
        const GroupCheck& g = cc.groups.at(0);
        EXPECT_EQ(g.genuine, true)
            << dir.filename() << ": " << g.files.problem << g.first.line << "\n"
            << g.first.listing << "\n"
            << g.first.program;
        EXPECT_EQ(g.diagnostics, true) << dir.filename();
        EXPECT_TRUE(g.typos.empty() && g.missing.empty() && g.extra.empty()) << dir.filename();
        ++checked;
    }
    EXPECT_GE(checked, 10);
}

}  // namespace
}  // namespace kavron

namespace kavron {
namespace {

// The check as a teacher runs it, in-process: its status, its report (UTF-8) and its CSV.
struct CheckRun {
    int status = -1;
    std::string errors, report, csv;
    CheckRun(const fs::path& dir, std::vector<std::string> args) {
        args.insert(args.begin(), "check");
        test::ScriptReader none({});
        test::StringWriter out, text, err;
        const auto st = std::make_unique<Storage>();
        status = run_command(args, none, out, text, err, test::fixed_clock, *st, dir);
        errors = err.text;
        report = text.text;
    }
};

// What a teacher must not be told is in order: each found, with its reason.
TEST(CheckFindings, FilesThatCannotBeTrustedAreFindings) {
    test::Scratch s;
    put(s.dir() / "zadani.txt", true_network().text());
    // An empty input beside a listing: nothing to make the listing from.
    run_in(s.dir() / "prazdny", measured(31));
    put(s.dir() / "prazdny" / "mereni.txt", "");
    // The listing saved again with a byte-order mark.
    run_in(s.dir() / "bom", measured(32));
    put(s.dir() / "bom" / "vysledky.txt", "\xEF\xBB\xBF" + slurp(s.dir() / "bom" / "vysledky.txt"));
    // The listing cut short in its middle, as an upload that broke off.
    run_in(s.dir() / "kratky", measured(33));
    const std::string full = slurp(s.dir() / "kratky" / "vysledky.txt");
    put(s.dir() / "kratky" / "vysledky.txt", full.substr(0, full.size() / 2));
    // A run that did not converge: its ending in words.
    test::Network far = true_network();
    for (auto& p : far.pts) {
        if (p.code == 0) {
            p.ox = 3e6;
            p.oy = -2e6;
        }
    }
    put(s.dir() / "nekonverguje" / "mereni.txt", far.text());
    ClassCheck cc;
    ASSERT_EQ(check_class("zadani.txt", {"prazdny", "bom", "kratky", "nekonverguje"}, s.dir(),
                          run_group, cc),
              std::nullopt);
    for (const GroupCheck& g : cc.groups) {
        EXPECT_FALSE(g.ok) << g.folder << ": " << check_verdict(g);
    }
    EXPECT_NE(check_verdict(cc.groups[0]).find("vstupní soubor mereni.txt je prázdný"),
              std::string::npos)
        << check_verdict(cc.groups[0]);
    EXPECT_EQ(cc.groups[1].likely, Likely::ByteOrderMark);
    EXPECT_EQ(check_verdict(cc.groups[1]), "výpis uložen znovu se značkou BOM");
    EXPECT_EQ(cc.groups[2].likely, Likely::Truncated);
    EXPECT_EQ(static_cast<std::size_t>(cc.groups[2].first.line),
              lines_of(full.substr(0, full.size() / 2)).size());
    EXPECT_NE(check_verdict(cc.groups[2]).find("výpis končí předčasně"), std::string::npos);
    EXPECT_EQ(cc.groups[3].ending, "Způsob zadání výpočtu nevede k výsledku")
        << check_verdict(cc.groups[3]);
}

// A report of this run created in a group's folder is none of the group's files.
TEST(CheckFindings, AReportOfTheRunIsNoGroupsFile) {
    test::Scratch s;
    put(s.dir() / "zadani.txt", true_network().text());
    run_in(s.dir() / "g", measured(34));
    fs::remove(s.dir() / "g" / "mereni.txt");
    const CheckRun run(s.dir(), {"zadani.txt", "g", "--csv", "g/tabulka.csv"});
    EXPECT_EQ(run.status, 1) << run.errors;
    const std::string csv = slurp(s.dir() / "g" / "tabulka.csv");
    EXPECT_NE(csv.find("chybí vstupní soubor"), std::string::npos) << csv;
}

// A point numbered beyond 9999 is printed as **** in the derived quantities' rows: with one such
// point the rows are asked for again and the listing is genuine.
TEST(CheckFindings, DerivedRowsOfAWideNumberedPoint) {
    test::Scratch s;
    test::Network n = true_network();
    std::string input = n.text();
    const std::string from = "\n5 ", to = "\n12345 ";
    for (std::size_t at = input.find(from); at != std::string::npos;
         at = input.find(from, at + to.size())) {
        input.replace(at, from.size(), to);
    }
    for (std::size_t at = input.find(" 5 "); at != std::string::npos;
         at = input.find(" 5 ", at + 7)) {
        input.replace(at, 3, " 12345 ");
    }
    put(s.dir() / "zadani.txt", input);
    fs::create_directories(s.dir() / "g");
    put(s.dir() / "g" / "mereni.txt", input);
    test::ScriptReader in(
        {"chyby.txt", "vysledky.txt", "mereni.txt", "a", "1 12345", "-1 -1", "a", "n", "n", "n"});
    test::StringWriter out;
    const auto st = std::make_unique<Storage>();
    ASSERT_EQ(run_program(in, out, test::fixed_clock, *st, s.dir() / "g"), 0);
    ASSERT_NE(slurp(s.dir() / "g" / "vysledky.txt").find("     1 -****"), std::string::npos);
    ClassCheck cc;
    ASSERT_EQ(check_class("zadani.txt", {"g"}, s.dir(), run_group, cc), std::nullopt);
    EXPECT_EQ(cc.groups[0].genuine, true) << check_verdict(cc.groups[0]);
    EXPECT_TRUE(cc.groups[0].ok) << check_verdict(cc.groups[0]);
}

// The class table for a spreadsheet: a name that a spreadsheet would run as a formula shows as
// text, bytes that are not UTF-8 are replaced; the report's table takes the longest name whole.
TEST(CheckFindings, TableCellsAreTextAndNamesWhole) {
    test::Scratch s;
    put(s.dir() / "zadani.txt", true_network().text());
    const std::string formula = "=HYPERLINK(\"http://x\")";
    const std::string long_name = "skupina-s-velmi-dlouhym-jmenem-ctyricet-znaku";
    for (const std::string& g : {formula, std::string("-1+2"), std::string("bad\xFF"), long_name}) {
        run_in(s.dir() / g, measured(35));
    }
    const CheckRun run(s.dir(), {"zadani.txt", formula, "-1+2", "bad\xFF", long_name, "--csv",
                                 "t.csv", "--report", "t.txt"});
    EXPECT_EQ(run.status, 0) << run.errors;
    const std::string csv = slurp(s.dir() / "t.csv");
    EXPECT_NE(csv.find("\r\n\"'=HYPERLINK(\"\"http://x\"\")\";"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\r\n'-1+2;"), std::string::npos) << csv;
    EXPECT_TRUE(valid_utf8(csv));
    const std::string report = decode(slurp(s.dir() / "t.txt"), CodePage::Cp1250);
    EXPECT_NE(report.find("\r\n" + long_name + "  pravý"), std::string::npos) << report;
    EXPECT_NE(report.find("\r\nSkupina" + std::string(long_name.size() - 7, ' ') + "  Výpis"),
              std::string::npos);
}

// The reader's warnings of a group's input (a line that lacks its weight) reach the report and
// the JSON.
TEST(CheckFindings, TheReadersWarningsAreShown) {
    test::Scratch s;
    put(s.dir() / "zadani.txt", true_network().text());
    std::string input = measured(36);
    const std::size_t at = input.find(" 0.01\n");
    input.erase(at, 5);
    run_in(s.dir() / "g", input);
    const CheckRun run(s.dir(), {"zadani.txt", "g", "--json", "k.json", "--report", "k.txt"});
    const std::string report = decode(slurp(s.dir() / "k.txt"), CodePage::Cp1250);
    EXPECT_NE(report.find("Upozornění ke vstupu: řádek"), std::string::npos) << report;
    const auto doc = nlohmann::json::parse(slurp(s.dir() / "k.json"));
    EXPECT_FALSE(doc["groups"][0]["warnings"].empty());
}

}  // namespace
}  // namespace kavron
