#pragma once
// Single-byte code pages of the program's channels: the console speaks 852, the listing and the
// diagnostics file 1250. Texts are written in UTF-8 in the source and converted before any width
// is counted.
#include <string>
#include <string_view>

namespace kavron {

enum class CodePage { Cp852, Cp1250 };

// Converts a UTF-8 text to the code page; a character the page lacks becomes '?'.
std::string encode(std::string_view utf8, CodePage cp);
// The same, appended to out.
void append_encoded(std::string& out, std::string_view utf8, CodePage cp);

// Converts bytes of the code page to UTF-8; an unassigned byte becomes '?', a NUL stays.
std::string decode(std::string_view bytes, CodePage cp);

// Whether the bytes are UTF-8 throughout.
bool valid_utf8(std::string_view bytes);
// The bytes as UTF-8, each byte that begins no valid sequence replaced by U+FFFD.
std::string utf8_replaced(std::string_view bytes);
// A text of the user's (a note in the input, a typed name) as UTF-8: its bytes when they are
// valid UTF-8, else taken as the code page `otherwise`.
std::string as_utf8(std::string_view bytes, CodePage otherwise);

inline std::string cp852(std::string_view utf8) {
    return encode(utf8, CodePage::Cp852);
}
inline std::string cp1250(std::string_view utf8) {
    return encode(utf8, CodePage::Cp1250);
}

}  // namespace kavron
