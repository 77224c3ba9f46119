// Prints the program's two code pages as a script for the page: for every byte 0..255 the
// Unicode code point the program reads it as (unassigned bytes as '?'). The page shows the
// console through the first and the listing through the second, and types in the first.
#include <cstdio>
#include <string>

#include "format/codepage.hpp"

namespace {

// The code point of a one-character UTF-8 text.
unsigned code_point(const std::string& s) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    if (b(0) < 0x80) {
        return b(0);
    }
    if (b(0) < 0xE0) {
        return ((b(0) & 0x1FU) << 6) | (b(1) & 0x3FU);
    }
    return ((b(0) & 0x0FU) << 12) | ((b(1) & 0x3FU) << 6) | (b(2) & 0x3FU);
}

void table(const char* name, kavron::CodePage cp, bool last) {
    std::printf("  %s: [", name);
    for (int byte = 0; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        std::printf("%s%u", byte == 0 ? "" : ",", code_point(kavron::decode(one, cp)));
    }
    std::printf("]%s\n", last ? "" : ",");
}

}  // namespace

int main() {
    std::printf("// Generated from the program's code pages by web/codepages.cpp.\n");
    std::printf("globalThis.KAVRON_CODEPAGES = {\n");
    table("cp852", kavron::CodePage::Cp852, false);
    table("cp1250", kavron::CodePage::Cp1250, true);
    std::printf("};\n");
    return 0;
}
