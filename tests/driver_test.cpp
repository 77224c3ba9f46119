// The run driver, the input reader and the exits reachable from the input, checked as whole
// console transcripts and whole files. Expected bytes are built from the program's texts.
#include <gtest/gtest.h>

#include "driver/exits.hpp"
#include "driver/input.hpp"
#include "harness.hpp"

namespace kavron {
namespace {

using test::crlf;
using test::run_job;
using test::Scratch;

std::string sp(int n) {
    return std::string(static_cast<std::size_t>(n), ' ');
}
std::string pad(std::string s, std::size_t n) {
    s.resize(n, ' ');
    return s;
}

// What the console shows of the banner, one entry a line.
std::vector<std::string> banner_lines() {
    std::vector<std::string> l(26, "");
    std::string frame;
    for (int i = 0; i < 36; ++i) {
        frame += "* ";
    }
    l.push_back(frame);
    l.push_back(cp852("* Program pro výpočet geodetických úloh v E-3") + sp(25) + "*");
    l.push_back(cp852("* v místní souřadnicové soustavě             ") + sp(25) + "*");
    l.push_back(cp852("*  7 bodů,  72 měřených veličin              ") + sp(25) + "*");
    l.push_back("*" + sp(46) + sp(23) + "*");
    l.push_back(cp852("* *verze pro studenty*                       ") + sp(25) + "*");
    l.push_back("* 15/05/2003  ver. 3.09" + sp(29) + "Datum:  6. 5.2026 *");
    l.push_back(cp852("* Školní verze          ") + sp(30) + cp852("Čas:  9: 5: 3   *"));
    l.push_back("* " + cp852("Prostorová síť E3") + sp(51) + "*");
    l.push_back(frame);
    for (int i = 0; i < 4; ++i) {
        l.push_back("");
    }
    // The frame records are 73 characters, the box records 72, counting the control blank.
    EXPECT_EQ(l[26].size() + 1, 73u);
    for (std::size_t i = 27; i < 35; ++i) {
        EXPECT_EQ(l[i].size() + 1, 72u) << i;
    }
    return l;
}

std::string join(const std::vector<std::string>& lines) {
    std::string s;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        s += (i ? "\r\n" : "") + lines[i];
    }
    return s;
}

const std::string kAsk = "zadejte celou adresu               ";
std::string ask_err() {
    return cp852("Jméno chybového  souboru (ERR$$$.TXT)        ") + "\r\n" + kAsk;
}
std::string ask_out() {
    return cp852("Jméno výstupního souboru (pro tisk výsledků) ") + "\r\n" + kAsk;
}
std::string ask_in() {
    return cp852("Jméno vstupního souboru (souřadnice,směry,délky,..) ") + "\r\n" + kAsk;
}

// The console up to and including the three answered prompts.
std::string console_start() {
    auto l = banner_lines();
    return join(l) + "\r\n" + ask_err() + ask_out() + ask_in();
}

const std::string kDiagStart = crlf({cp1250("  Toto okno slouží ke kontrole dat. "), "", "",
                                     " " + sp(4) + pad("out.txt", 26) + sp(4) + pad("in.txt", 26)});

std::string listing_header(const std::string& action, const char* moo = "   1.0") {
    return crlf({cp1250(" KAVRON 3.09 Prostorová síť   E3   Datum:  6. 5.2026   Čas:  9: 5: 3"), "",
                 "", " Akce: " + pad(action, 80), "",
                 cp1250(" směrodatná odchylka směru        [cc] =  10.0"),
                 cp1250(" směrodatná odchylka délky        [mm] =   2.5"),
                 cp1250(" směrodatná odchylka zen.úhlu     [cc] =  20.0"),
                 cp1250(" směrodatná odchylka jednotková        =") + moo,
                 cp1250(" směrodatná odchylka souřadnicová [mm] =    .5"), ""});
}

const std::string kPointHead = crlf(
    {cp1250(" S o u ř a d n i c e"), cp1250(" Číslo bodu") + sp(8) + "X" + sp(14) + "Y" + sp(10) +
                                         "Z" + sp(9) + cp1250("kód   podmínky umístění")});

std::string point_row(const char* n, const char* x, const char* y, const char* z, const char* code,
                      const std::string& label) {
    return crlf(
        {sp(3) + n + sp(4) + x + sp(3) + y + z + sp(3) + code + sp(4) + pad(cp1250(label), 14)});
}

const std::string kPoints =
    "1 7 1000.0 2000.0 300.0\n"
    "2 3 -1500.25 2000.04 -0.04\n"
    "3 2 0 123456789.0 5\n"
    "-1\n";

const std::string kPointTable =
    kPointHead +
    point_row("    1", "      1000.0", "      2000.0", "       300.0", "   7", "dx=0,dy=0,dz=0") +
    point_row("    2", "     -1500.3", "      2000.0", "          .0", "   3", "Helmert") +
    point_row("    3", "          .0", " 123456789.0", "         5.0", "   2", "směr");

TEST(Run, JobWithoutMeasurementsShowsBannerDialogHeaderAndPointTable) {
    Scratch s;
    const auto o = run_job(s, "'Bez mereni'\n10 2.5 20 0.005 0.5\n" + kPoints);
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.console, console_start() + cp1250("Tisk souřadnic ") + "\r\nKONEC\r\n");
    EXPECT_EQ(o.listing, listing_header("Bez mereni") + kPointTable);
    EXPECT_EQ(o.diag, kDiagStart);
}

TEST(Run, ExistingListingIsKeptAndAskedForAgain) {
    Scratch s;
    s.put("out.txt", "keep me");
    s.put("in.txt", "'x'\n10 2.5 20 1 0.5\n-1\n");
    const auto o =
        test::run_with(s, {"err.txt", "out.txt", "", "   ",
                           "new.txt" + sp(17) + "ignored beyond 24", "none.txt", "in.txt"});
    EXPECT_EQ(s.get("out.txt"), "keep me");
    EXPECT_TRUE(s.exists("new.txt"));
    EXPECT_FALSE(s.exists("new.txt" + sp(17) + "ig"));
    const std::string expected = join(banner_lines()) + "\r\n" + ask_err() + ask_out() +
                                 pad("out.txt", 24) + cp852(" - tento soubor již existuje") +
                                 "\r\n" + ask_out() + ask_out() + ask_out() + ask_in() +
                                 pad("none.txt", 24) + " - tento soubor neexistuje" + "\r\n" +
                                 ask_in() + cp1250("Tisk souřadnic ") + "\r\nKONEC\r\n";
    EXPECT_EQ(o.console, expected);
    EXPECT_EQ(o.status, 0);
}

TEST(Run, DiagnosticsFileThatCannotBeCreatedStopsWithStatusOne) {
    Scratch s;
    const auto o = test::run_with(s, {"no/such/dir/err.txt   "});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.console, join(banner_lines()) + "\r\n" + ask_err() +
                             cp852("Chybový soubor nelze otevřít: no/such/dir/err.txt") + "\r\n");
}

TEST(Run, EndOfConsoleInputInTheFileDialog) {
    Scratch s;
    const auto o = test::run_with(s, {"err.txt"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.console, join(banner_lines()) + "\r\n" + ask_err() + ask_out() + "\r\n" +
                             ask_out() + "\r\nKonec vstupu z konzoly\r\n");
}

// ---- the input reader ----

using Reader = test::LoadedJob;

TEST(Input, SmallJobReadsToItsCounts) {
    Reader rd(
        "'Test site'\n10 10 10 1 5\n1 7 0 0 0\n2 0 100000 0 0\n3 0 0 100000 0\n-1\n"
        "1 2 0 1\n1 3 1000000 1\n-1\n1 2 1000000 1\n-1\n1 2 100000 1\n1 3 100000 1\n-1\n");
    ASSERT_TRUE(rd.ok);
    const Task& t = *rd.t;
    EXPECT_EQ(t.ZAH, pad("Test site", 80));
    EXPECT_EQ(t.IB, 3);
    EXPECT_EQ(t.IS, 2);
    EXPECT_EQ(t.IZ, 1);
    EXPECT_EQ(t.ID, 2);
    EXPECT_EQ(t.NR, 5);
    EXPECT_EQ(t.ISN1, 3);
    EXPECT_EQ(t.IZN1, 4);
    EXPECT_EQ(t.NS, 14);
    EXPECT_EQ(t.NN, 9);
    EXPECT_DOUBLE_EQ(t.RC, 200000.0 / 9.0);
    EXPECT_EQ(t.SMO[2], 1000000.0);
    EXPECT_EQ(t.ZMO[1], 1000000.0);
    EXPECT_EQ(t.DO[2], 100000.0);
    EXPECT_EQ(t.INC[5], 3);
    EXPECT_EQ(t.CS[3], 1);
    EXPECT_EQ(t.CC[3], 2);
}

TEST(Input, SlashKeepsEarlierValuesAndWeightsFollowTheirRule) {
    Reader rd(
        "'s'\n1 1 1 0.005 0\n"
        "1 7 10 20 30\n"
        "2 0 /\n"
        "3 0 5 6\n-1\n"  // the full read takes -1 as the height and consumes the end line
        "4 0 1 2 /\n-1\n"
        "1 2 100 /\n1 3 200 0\n1 4 300 0.0005\n1 2 400 0.002\n1 3 500 /\n");
    ASSERT_TRUE(rd.ok);
    const Task& t = *rd.t;
    EXPECT_EQ(t.MOO, 1.0f);
    EXPECT_EQ(t.MO, 1.0);
    ASSERT_EQ(t.IB, 4);
    EXPECT_EQ(t.XO[2], 10.0);
    EXPECT_EQ(t.YO[2], 20.0);
    EXPECT_EQ(t.ZO[2], 0.0);
    EXPECT_EQ(t.ZO[3], -1.0);
    EXPECT_EQ(t.ZO[4], 0.0);
    ASSERT_EQ(t.IS, 5);
    EXPECT_EQ(t.PPP(1, 1), 1.0);  // the weight starts at 0 and is replaced
    EXPECT_EQ(t.PPP(1, 2), 1.0);
    EXPECT_EQ(t.PPP(1, 3), 1.0);
    EXPECT_EQ(t.PPP(1, 4), 0.002);
    EXPECT_EQ(t.PPP(1, 5), 0.002);  // inherited
    EXPECT_EQ(t.PP(4, 4), 0.002);
    EXPECT_EQ(t.IZ, 0);
    EXPECT_EQ(t.ID, 0);
    EXPECT_EQ(t.NR, 5);
}

TEST(Input, MooBelowOneHundredthBecomesOne) {
    for (const auto& [text, expect] : std::vector<std::pair<std::string, float>>{
             {"0", 1.0f}, {"0.005", 1.0f}, {"0.01", 0.01f}, {"2.5", 2.5f}}) {
        Reader rd("'m'\n1 1 1 " + text + " 0\n");
        ASSERT_TRUE(rd.ok);
        EXPECT_EQ(rd.t->MOO, expect) << text;
    }
}

TEST(Input, FileEndingInsideTheZenithSection) {
    Reader rd("'z'\n1 1 1 1 0\n1 7 0 0 0\n2 0 5 5 5\n-1\n1 2 0 1\n-1\n1 2 90 1\n");
    ASSERT_TRUE(rd.ok);
    EXPECT_EQ(rd.t->IS, 1);
    EXPECT_EQ(rd.t->IZ, 1);
    EXPECT_EQ(rd.t->ID, 0);
    EXPECT_EQ(rd.t->NR, 2);
}

// ---- exits reachable from the input ----

const std::string kHead = "'Chyby'\n10 2.5 20 1 0.5\n";

TEST(InputExits, BadFirstValueOfAPointLineEchoesTheRestOfTheLine) {
    Scratch s;
    const auto o = run_job(s, kHead +
                                  "1 7 0 0 0\n2 0 1 0 0\n3 0 0 1 0\n4 0 1 1 1\n"
                                  "x5 0 1 1 1  tail\n");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.console, console_start() + cp852("  chyba ve čtení vstupních dat na řádku č.: ") +
                             sp(10) + "7" + "\r\nKONEC\r\n");
    EXPECT_EQ(o.diag,
              kDiagStart + crlf({cp1250(" Chyba ve čtení vstupního souboru na řádku č.:   7"),
                                 pad("0 1 1 1  tail", 40)}));
    EXPECT_EQ(o.listing, listing_header("Chyby"));
}

TEST(InputExits, BadLastValueEchoesTheNextLine) {
    Scratch s;
    const auto o = run_job(s,
                           "'a'\n10 2.5 20 1 0.5x\n1 7 0 0 0 and a line longer than forty "
                           "characters\n");
    EXPECT_EQ(o.diag,
              kDiagStart + crlf({cp1250(" Chyba ve čtení vstupního souboru na řádku č.:   2"),
                                 "1 7 0 0 0 and a line longer than forty c"}));
    EXPECT_EQ(o.listing, "");
}

TEST(InputExits, UnquotedActionLine) {
    Scratch s;
    const auto o = run_job(s, "Test site\n10 2.5 20 1 0.5\n");
    EXPECT_EQ(o.console, console_start() + cp852("  chyba ve čtení vstupních dat na řádku č.: ") +
                             sp(10) + "1\r\nKONEC\r\n");
    EXPECT_EQ(o.diag,
              kDiagStart + crlf({cp1250(" Chyba ve čtení vstupního souboru na řádku č.:   1"),
                                 pad("site", 40)}));
}

TEST(InputExits, EchoReadAtTheEndOfTheFileStopsWithStatusOne) {
    Scratch s;
    const auto o = run_job(s, kHead + "1 7 0 0 0\n2 0 1 0 x\n");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.console, console_start() + cp852("  chyba ve čtení vstupních dat na řádku č.: ") +
                             sp(10) + "4\r\n" + cp852("Chyba při čtení vstupního souboru") +
                             "\r\n");
    EXPECT_EQ(o.diag, kDiagStart);
}

TEST(InputExits, DatabaseCodeEndsBeforeThePointTable) {
    Scratch s;
    const auto o = run_job(s, kHead + "1 7 0 0 0\n2 -2 1 0 0\n-1\n");
    EXPECT_EQ(o.console, console_start() + cp852("Žadná DATABAZE bodů není inicializovaná ") +
                             "\r\nKONEC\r\n");
    EXPECT_EQ(o.listing, listing_header("Chyby"));
}

TEST(InputExits, UnknownPointCode) {
    Scratch s;
    const auto o = run_job(s, kHead + "1 7 0 0 0\n2 8 1 0 0\n-1\n");
    EXPECT_EQ(o.console, console_start() + cp852("Chyba ve vstupu, neznámý kód bodu") + sp(10) +
                             "8\r\nKONEC\r\n");
}

TEST(InputExits, CodeOfAFullReadThatStartsOnTheNextLineIsCheckedToo) {
    // The number alone on its line: the code comes from the next line, and the full read starts
    // there and takes 14 as the code.
    Scratch s;
    const auto o = run_job(s, kHead + "1\n7 14 0 0 0\n-1\n");
    EXPECT_EQ(o.console, console_start() + cp852("Chyba ve vstupu, neznámý kód bodu") + sp(9) +
                             "14\r\nKONEC\r\n");
    EXPECT_EQ(o.listing, listing_header("Chyby"));
}

TEST(InputExits, EighthPointStopsWithoutKonec) {
    Scratch s;
    std::string pts;
    for (int i = 1; i <= 8; ++i) {
        pts += std::to_string(i) + " 0 " + std::to_string(i * 100) + " 0 0\n";
    }
    const auto o = run_job(s, kHead + pts + "-1\n");
    EXPECT_EQ(o.console, console_start() + cp852("Chyba ve vstupu, max. počet bodů je 7") + "\r\n");
    EXPECT_EQ(o.listing, listing_header("Chyby"));

    Scratch s7;
    std::string seven;
    for (int i = 1; i <= 7; ++i) {
        seven += std::to_string(i) + " 0 0 0 0\n";
    }
    const auto o7 = run_job(s7, kHead + seven);
    EXPECT_EQ(o7.console, console_start() + cp1250("Tisk souřadnic ") + "\r\nKONEC\r\n");
}

std::string lines_of(int n, const char* text) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        s += text;
    }
    return s;
}

TEST(InputExits, SixtyThirdMeasurementStops) {
    Scratch s;
    const std::string pts = "1 7 0 0 0\n2 0 100 0 0\n-1\n";
    const auto o = run_job(s, kHead + pts + lines_of(30, "1 2 0 1\n") + "-1\n" +
                                  lines_of(20, "1 2 0 1\n") + "-1\n" + lines_of(13, "1 2 5 1\n"));
    EXPECT_EQ(o.console, console_start() + cp1250("Tisk souřadnic ") + "\r\n" +
                             cp852("Chyba ve vstupu, max. počet měření je 62") + "\r\n");
    EXPECT_EQ(o.listing,
              listing_header("Chyby") + kPointHead +
                  point_row("    1", "          .0", "          .0", "          .0", "   7",
                            "dx=0,dy=0,dz=0") +
                  point_row("    2", "       100.0", "          .0", "          .0", "   0", ""));
}

TEST(InputExits, FiftyFirstDistanceStops) {
    Scratch s;
    const auto o =
        run_job(s, kHead + "1 7 0 0 0\n2 0 100 0 0\n-1\n-1\n-1\n" + lines_of(51, "1 2 100 1\n"));
    EXPECT_EQ(o.console, console_start() + cp1250("Tisk souřadnic ") + "\r\n" +
                             cp852("Chyba ve vstupu, max. počet délek je 50") + "\r\n");
}

TEST(Exits, StopsAndPausesOnLinesOfTheirOwn) {
    test::ScriptReader in({"whatever"});
    test::StringWriter out;
    Console con(in, out);
    auto tp = std::make_unique<Task>();
    Task& t = *tp;
    kavron::Run r{con, t, {}, {}, {}};
    t.NR = 2;
    t.PP(1, 1) = 1.0;
    t.PP(2, 2) = 0.5;
    con.list({fmt::lit("x")});
    EXPECT_EQ(exit_weights_singular(r).status(), 0);
    con.finish();
    EXPECT_EQ(out.text,
              "x\r\n" + cp852("chyba v zadání - zkontrolujte sořadnice, kódy,vstupní vel.") +
                  "\r\np(i,i) =          1        1.000000000000000\r\n" + cp1250("dále ?") +
                  "\r\np(i,i) =          2   5.000000000000000E-001\r\n" + cp1250("dále ?") +
                  "\r\nKONEC\r\n");
}

TEST(Exits, CoincidentPointsAndAdviceBlock) {
    test::ScriptReader in({});
    test::StringWriter out;
    Console con(in, out);
    auto tp = std::make_unique<Task>();
    Task& t = *tp;
    kavron::Run r{con, t, {}, {}, {}};
    EXPECT_EQ(exit_coincident(r, 1, 2, 3, 4, 5, 0).status(), 0);
    EXPECT_EQ(out.text, cp852(" Chyba - Jsou zadány stejné souřadnice pro dva body") + "\r\n" +
                            cp852(" Čísla bodů: ") + sp(10) + "1" + sp(11) + "2" + sp(11) +
                            "3\r\n" + cp852(" Čísla indexů:") + sp(10) + "4" + sp(11) + "5" +
                            sp(11) + "0" + "\r\nStop - Program terminated.");
    out.text.clear();
    EXPECT_EQ(exit_no_convergence(r).status(), 0);
    const auto pos = out.text.find(cp852("  nevedou-li"));
    ASSERT_NE(pos, std::string::npos);
    const std::string tail = out.text.substr(pos);
    const auto a = tail.find("\r\n");
    const auto b = tail.find("\r\n", a + 2);
    const auto c = tail.find("\r\n", b + 2);
    EXPECT_EQ(b - (a + 2) + 1, 52u);  // with the control blank the console consumed
    EXPECT_EQ(c - (b + 2) + 1, 56u);
    EXPECT_EQ(tail.substr(c), "\r\nKONEC");
    EXPECT_EQ(out.text.substr(0, 2), "\r\n");  // closes the line the stop left open
}

}  // namespace
}  // namespace kavron
