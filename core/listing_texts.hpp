#pragma once
// The texts and positions of the listing and of the diagnostics file that the class check reads
// back: the listing's writer and the diagnostics file's first records print them, the check
// recognises the files by them. UTF-8 (the files hold them in code page 1250).
#include <string_view>

#include "core/results.hpp"

namespace kavron::listing_text {

// The listing's first line: kHead, the version, kTitle, "dd.mm.yyyy", kTime, "hh:mm:ss".
inline constexpr std::string_view kHead = " KAVRON ";
inline constexpr std::string_view kTitle = " Prostorová síť   E3   Datum: ";
inline constexpr std::string_view kTime = "   Čas: ";
inline constexpr std::size_t kDateWidth = 10, kTimeWidth = 8;

// The diagnostics file's first record after its carriage control; its fourth record names the
// listing and the input file, 26 characters each, at these positions.
inline constexpr std::string_view kDiagnosticsFirst = " Toto okno slouží ke kontrole dat. ";
inline constexpr std::size_t kNamesRecord = 3, kNamesLength = 61;
inline constexpr std::size_t kListingNameAt = 5, kInputNameAt = 35, kNameWidth = 26;

// The title of a kind of derived quantity: " Výpočet " and the kind's words, as printed.
inline constexpr std::string_view kDerivedLead = " Výpočet ";
inline constexpr std::string_view kDistanceKind[2] = {"prostorové", "vodorovné "};
inline constexpr std::string_view kDistanceTail = "délky a její směrod. odchylky";
inline constexpr std::string_view kHeightTitle = " Výpočet převýšení a jeho směrodat. odchylky";
inline constexpr std::string_view kAngleTitle = " Výpočet vodorovného úhlu a jeho směrodat. odch.";
inline constexpr std::string_view kZenithTitle = " Výpočet zenitového úhlu a jeho směrod. odch.";

// A result row of a derived quantity: its point numbers (I4) at these positions ("  IIII -JJJJ",
// an angle "  JJJJ -IIII -KKKK"), a number too wide for them printed as "****"; the row's length.
inline constexpr std::size_t kRowPointAt[3] = {2, 8, 14};
inline constexpr std::size_t kRowPointWidth = 4, kRowLength = 47;

}  // namespace kavron::listing_text
