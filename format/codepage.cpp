// Conversion of the program's UTF-8 texts to the single-byte code pages of its channels.
#include "format/codepage.hpp"

#include <array>
#include <cstdint>

namespace kavron {
namespace {

// Unicode code points of bytes 0x80..0xFF; 0 marks an unassigned byte.
constexpr std::array<std::uint16_t, 128> kCp852 = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x016F, 0x0107, 0x00E7, 0x0142, 0x00EB, 0x0150, 0x0151,
    0x00EE, 0x0179, 0x00C4, 0x0106, 0x00C9, 0x0139, 0x013A, 0x00F4, 0x00F6, 0x013D, 0x013E, 0x015A,
    0x015B, 0x00D6, 0x00DC, 0x0164, 0x0165, 0x0141, 0x00D7, 0x010D, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x0104, 0x0105, 0x017D, 0x017E, 0x0118, 0x0119, 0x00AC, 0x017A, 0x010C, 0x015F, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x011A, 0x015E, 0x2563, 0x2551, 0x2557,
    0x255D, 0x017B, 0x017C, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x0102, 0x0103,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x0111, 0x0110, 0x010E, 0x00CB,
    0x010F, 0x0147, 0x00CD, 0x00CE, 0x011B, 0x2518, 0x250C, 0x2588, 0x2584, 0x0162, 0x016E, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x0143, 0x0144, 0x0148, 0x0160, 0x0161, 0x0154, 0x00DA, 0x0155, 0x0170,
    0x00FD, 0x00DD, 0x0163, 0x00B4, 0x00AD, 0x02DD, 0x02DB, 0x02C7, 0x02D8, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x02D9, 0x0171, 0x0158, 0x0159, 0x25A0, 0x00A0,
};

constexpr std::array<std::uint16_t, 128> kCp1250 = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021, 0x0000, 0x2030, 0x0160, 0x2039,
    0x015A, 0x0164, 0x017D, 0x0179, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141,
    0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB,
    0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
    0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB,
    0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// The byte of every code point below U+0300 (Latin letters and signs), 0 where the code page has
// none; the few code points above it (box drawing, dashes, quotes) are looked up one by one.
constexpr char32_t kDirect = 0x300;
using Reverse = std::array<unsigned char, kDirect>;
constexpr Reverse reverse_of(const std::array<std::uint16_t, 128>& table) {
    Reverse r{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i] >= 0x80 && table[i] < kDirect) {
            r[table[i]] = static_cast<unsigned char>(0x80 + i);
        }
    }
    return r;
}
constexpr Reverse kFrom852 = reverse_of(kCp852);
constexpr Reverse kFrom1250 = reverse_of(kCp1250);

char to_byte(char32_t cp, const std::array<std::uint16_t, 128>& table, const Reverse& reverse) {
    if (cp < 0x80) {
        return static_cast<char>(cp);
    }
    if (cp < kDirect) {
        return reverse[cp] != 0 ? static_cast<char>(reverse[cp]) : '?';
    }
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i] == cp) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

}  // namespace

void append_encoded(std::string& out, std::string_view utf8, CodePage cp) {
    bool ascii = true;
    for (const char ch : utf8) {
        ascii = ascii && static_cast<unsigned char>(ch) < 0x80;
    }
    if (ascii) {
        out.append(utf8);  // the same bytes in both code pages
        return;
    }
    const auto& table = cp == CodePage::Cp852 ? kCp852 : kCp1250;
    const auto& reverse = cp == CodePage::Cp852 ? kFrom852 : kFrom1250;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        char32_t c = 0;
        std::size_t len = 1;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            len = 4;
        } else {
            out.push_back('?');
            ++i;
            continue;
        }
        bool whole = i + len <= utf8.size();
        for (std::size_t k = 1; whole && k < len; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            whole = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!whole) {  // a byte that begins no character: the bytes after it are read anew
            out.push_back('?');
            ++i;
            continue;
        }
        out.push_back(to_byte(c, table, reverse));
        i += len;
    }
}

std::string encode(std::string_view utf8, CodePage cp) {
    std::string out;
    out.reserve(utf8.size());
    append_encoded(out, utf8, cp);
    return out;
}

std::string decode(std::string_view bytes, CodePage cp) {
    const auto& table = cp == CodePage::Cp852 ? kCp852 : kCp1250;
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        const char32_t c = b < 0x80 ? b : table[b - 0x80];
        if (c == 0 && b != 0) {  // unassigned; a NUL stays NUL (a name holding one names no file)
            out.push_back('?');
        } else if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

namespace {

// The length of the UTF-8 sequence at i, 0 when the bytes there are none.
std::size_t sequence_at(std::string_view bytes, std::size_t i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    const std::size_t len = b < 0x80             ? 1
                            : (b & 0xE0) == 0xC0 ? 2
                            : (b & 0xF0) == 0xE0 ? 3
                            : (b & 0xF8) == 0xF0 ? 4
                                                 : 0;
    if (len == 0 || i + len > bytes.size() || (len == 2 && b < 0xC2)) {
        return 0;
    }
    for (std::size_t k = 1; k < len; ++k) {
        if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return len;
}

}  // namespace

bool valid_utf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t len = sequence_at(bytes, i);
        if (len == 0) {
            return false;
        }
        i += len;
    }
    return true;
}

std::string utf8_replaced(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t len = sequence_at(bytes, i);
        if (len == 0) {
            out += "\xEF\xBF\xBD";  // U+FFFD, the replacement character
            ++i;
        } else {
            out.append(bytes.substr(i, len));
            i += len;
        }
    }
    return out;
}

std::string as_utf8(std::string_view bytes, CodePage otherwise) {
    return valid_utf8(bytes) ? std::string(bytes) : decode(bytes, otherwise);
}

}  // namespace kavron
