// The derived-quantities dialog and the quantities it writes, on the hand-checked network
// (point 1 free at the origin with R = diag(0.5, 0.25, 0.0625), points 2..5 fixed on the axes,
// MO = sqrt(3.6)). Expected rows worked out by hand:
//   distance 2-1: 100000.0, MF = sqrt(0.5 * 3.6) = 1.342
//   height 1-1 (the same point twice): 0.0, MF = sqrt(0.0625 * 3.6) = .474
//   angle 4-1-2 (left leg along y, right leg along x): 3000000.0 cc,
//       MF = sqrt((RO/1e5)^2 * (0.5 + 0.25) * 3.6) = 10.461
//   zenith angle 1-2 (equal heights): 1000000.0 cc, MF = RO/1e5 * 0.25 * sqrt(3.6) = 3.020
#include <gtest/gtest.h>

#include "harness.hpp"

namespace kavron {
namespace {

using test::crlf;

std::string sp(int n) {
    return std::string(static_cast<std::size_t>(n), ' ');
}

const std::string kList = "\r\n" + cp852("Čísla bodů jsou:") + "\r\n" + sp(10) + "1" + sp(11) +
                          "2" + sp(11) + "3" + sp(11) + "4" + sp(11) + "5";
const std::string kTwo = cp852("Vložte čísla bodů i,j ? ");

std::string nl(const std::string& utf8) {
    return "\r\n" + cp852(utf8);
}

TEST(Dialog, WholeSessionThroughEveryKindOfQuantity) {
    test::Scratch s;
    const auto o =
        test::run_job(s, test::kHandChecked,
                      {"a",     "2 1",    "5 5", "1 9", "-1 5", "n",   "-1 5", "",  "x", "5 1",
                       "3 1",   "-1 0",   "a",   "A",   "-2 1", "1 1", "abc",  "a", "a", "4 1 2",
                       "1 1 2", "-1 0 0", "a",   "a",   "1 2",  "5 1", "-1 0", "a"});
    EXPECT_EQ(o.status, 0);

    // The console from the last results record to the end.
    const std::string dialog =
        cp1250("Tisk výsledných souřadnic") +
        nl("Výpočet prostorové délky a její směrod. odch. mezi body i,j  (a/n)?") + kList + "\r\n" +
        kTwo + kTwo + kTwo + "Procedura CBODU ... Hledane cislo neexistuje" + sp(10) + "9" +
        nl("Znovu zadejte obě čísla bodů.") + kList + "\r\n" + kTwo +
        cp852("Chcete opravdu ukončit výpočet délek? (a/n) ") + kTwo +
        cp852("Chcete opravdu ukončit výpočet délek? (a/n) ") +
        nl("Výpočet vodorovné délky mezi body i,j (a/n)?") + kList + "\r\n" + kTwo + kTwo + kTwo +
        cp852("Chcete opravdu ukončit výpočet délek? (a/n) ") +
        cp852("Chcete provést výpočet převýšení mezi body i,j (a/n)?") + kList + "\r\n" + kTwo +
        kTwo + kTwo + cp852("Chcete opravdu ukončit výpočet převýšení (a/n)? ") +
        cp852("Výpočet úhlu mezi body j-i-k a jeho směrod. odch. (a/n)?") + kList + "\r\n" +
        cp852("Vložte čísla bodů j,i,k (j-levý, i-vrchol, k-pravý)?") +
        cp852("Vložte čísla bodů j,i,k (j-levý, i-vrchol, k-pravý)?") +
        cp852("Znovu zadejte všechna čísla bodů.") + kList + "\r\n" +
        cp852("Vložte čísla bodů j,i,k (j-levý, i-vrchol, k-pravý)?") +
        cp852("Chcete opravdu ukončit výpočet úhlu? (a/n) ") +
        cp852("Chcete provést výpočet zenitového úhlu mezi body i,j (a/n)?") + kList + "\r\n" +
        kTwo + kTwo + kTwo + cp852("Chcete opravdu ukončit výpočet zenit.úhlu (a/n)? ") +
        cp852("Výsledky výpočtu jsou v souboru :  ") + "out.txt" + sp(19) + "\r\n   \r\nKONEC\r\n";
    const auto at = o.console.find(cp1250("Tisk výsledných souřadnic"));
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(o.console.substr(at), dialog);

    const std::string rows = crlf({
        "",
        "",
        cp1250(" Výpočet prostorovédélky a její směrod. odchylky"),
        "",
        cp1250(" prostorová délka         d        směrod. odch. délky "),
        "   mezi body             [mm]             [mm]",
        "",
        "",
        "     2 -   1            100000.0          1.342",
        "",
        "",
        cp1250(" Výpočet vodorovné délky a její směrod. odchylky"),
        "",
        cp1250(" vodorovná  délka         d        směrod. odch. délky "),
        "   mezi body             [mm]             [mm]",
        "",
        "",
        "     3 -   1            100000.0          1.342",
        "",
        "",
        cp1250(" Výpočet převýšení a jeho směrodat. odchylky"),
        "",
        cp1250("   převýšení              h       směrod. odch. převýšení "),
        "   mezi body             [mm]             [mm]",
        "",
        "",
        "     1 -   1                  .0           .474",
        "",
        "",
        cp1250(" Výpočet vodorovného úhlu a jeho směrodat. odch."),
        "",
        cp1250("      Úhel mezi           Úhel     směrod. odch. úhlu "),
        "        body              [cc]            [cc]",
        "",
        "",
        "     4 -   1 -   2     3000000.0         10.461",
        "",
        "",
        cp1250(" Výpočet zenitového úhlu a jeho směrod. odch."),
        "",
        cp1250(" zenitový úhel            z        směrod. odch. úhlu "),
        "   mezi body             [cc]             [cc]",
        "",
        "",
        "     1 -   2           1000000.0          3.020",
    });
    const std::string closing =
        cp1250(" Průměrná směrod. odch. souřadnicová  =    .4 [mm]") + "\r\n";
    const auto end = o.listing.find(closing);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(o.listing.substr(end + closing.size()), rows);
}

TEST(Dialog, DecliningTheHorizontalAngleEndsWithoutTheZenithQuestion) {
    test::Scratch s;
    const auto o = test::run_job(s, test::kHandChecked, {"n", "N", "n", "n", "a"});
    const std::string tail = cp852("Výpočet úhlu mezi body j-i-k a jeho směrod. odch. (a/n)?") +
                             cp852("Výsledky výpočtu jsou v souboru :  ") + "out.txt" + sp(19) +
                             "\r\n   \r\nKONEC\r\n";
    ASSERT_GE(o.console.size(), tail.size());
    EXPECT_EQ(o.console.substr(o.console.size() - tail.size()), tail);
    EXPECT_EQ(o.console.find(cp852("zenitového")), std::string::npos);
}

TEST(Dialog, ConsoleEndingInTheMiddleEndsTheRunNormally) {
    test::Scratch s;
    const auto o = test::run_job(s, test::kHandChecked, {"a", "2"});
    EXPECT_EQ(o.status, 0);
    const std::string tail = "\r\n" + kTwo + cp852("Chcete opravdu ukončit výpočet délek? (a/n) ") +
                             "\r\n" + cp852("Výsledky výpočtu jsou v souboru :  ") + "out.txt" +
                             sp(19) + "\r\n   \r\nKONEC\r\n";
    ASSERT_GE(o.console.size(), tail.size());
    EXPECT_EQ(o.console.substr(o.console.size() - tail.size()), tail);
}

TEST(Dialog, SpatialAndHorizontalDistancesDifferByTheHeight) {
    // Two free points 3000 mm apart in x and 400 mm in height, held by distances from fixed
    // points; the spatial distance is 3026.6 mm, the horizontal one 3000.0 mm.
    test::Scratch s;
    const auto o =
        test::run_job(s,
                      "'d'\n1 1 1 1 0\n1 7 0 0 0\n2 7 3000 4000 0\n3 7 0 4000 400\n-1\n-1\n-1\n"
                      "1 2 5000 1\n3 2 3000 1\n1 3 4019.950248 1\n-1\n",
                      {"a", "1 2", "-1 0", "a", "a", "1 2", "-1 0", "a", "n", "n"});
    EXPECT_NE(o.listing.find("     1 -   2              5000.0           .000"), std::string::npos);
    EXPECT_NE(o.listing.find(cp1250(" vodorovná  délka")), std::string::npos);
    const auto horizontal = o.listing.find(cp1250(" vodorovná  délka"));
    EXPECT_NE(o.listing.find("     1 -   2              5000.0           .000", horizontal),
              std::string::npos);
}

}  // namespace
}  // namespace kavron
