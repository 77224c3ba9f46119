// A field file told by its content: GSI (the first word of its blocks 11 or 41 with a block
// number and a sign), or the program's field book (its first record "kavron-zapisnik" or its
// units).
#include "fieldbook/fieldbook.hpp"
#include "fieldbook/lines.hpp"

namespace kavron {

namespace {

bool gsi_block(std::string_view line) {
    if (!line.empty() && line.front() == '*') {
        line.remove_prefix(1);
    }
    const std::size_t a = line.find_first_not_of(" \t");
    if (a == std::string_view::npos || line.size() < a + 8) {
        return false;
    }
    const std::string_view w = line.substr(a);
    const auto digits = [&](std::size_t from, std::size_t to) {
        for (std::size_t k = from; k < to; ++k) {
            if (w[k] < '0' || w[k] > '9') {
                return false;
            }
        }
        return true;
    };
    return (w.substr(0, 2) == "11" || w.substr(0, 2) == "41") && digits(2, 6) &&
           (w[6] == '+' || w[6] == '-');
}

}  // namespace

FieldFormat format_of(std::string_view bytes) {
    if (bytes.find('\0') != std::string_view::npos) {
        return FieldFormat::None;
    }
    int blocks = 0, sixteen = 0, other = 0;
    bool book = false;
    for_each_line(bytes, [&](std::string_view line) {
        const std::size_t a = line.find_first_not_of(" \t");
        if (a == std::string_view::npos || line[a] == '#') {
            return true;
        }
        const std::string_view t = line.substr(a);
        if (blocks == 0 && other == 0 &&
            (t.substr(0, 15) == "kavron-zapisnik" || t.substr(0, 9) == "jednotky ")) {
            book = true;
            return false;
        }
        if (gsi_block(t)) {
            ++blocks;
            sixteen += t.front() == '*' ? 1 : 0;
        } else {
            ++other;
        }
        // The first lines decide; a few lines of garbage among blocks are named later.
        return blocks + other < 20;
    });
    if (book) {
        return FieldFormat::Book;
    }
    if (blocks == 0 || other > blocks) {
        return FieldFormat::None;
    }
    return 2 * sixteen >= blocks ? FieldFormat::Gsi16 : FieldFormat::Gsi8;
}

std::optional<Refusal> read_field_file(const std::string& name, std::string_view bytes,
                                       FieldFile& out) {
    const FieldFormat format = format_of(bytes);
    switch (format) {
        case FieldFormat::Gsi8:
        case FieldFormat::Gsi16:
            read_gsi(name, bytes, out);
            out.format = format == FieldFormat::Gsi8 ? "GSI-8" : "GSI-16";
            return std::nullopt;
        case FieldFormat::Book:
            read_book(name, bytes, out);
            out.format = "zápisník";
            return std::nullopt;
        case FieldFormat::None:
            break;
    }
    return Refusal{2, "soubor " + name +
                          " není záznam totální stanice (GSI) ani zápisník programu "
                          "(první řádek „kavron-zapisnik“ nebo „jednotky ...“)"};
}

}  // namespace kavron
