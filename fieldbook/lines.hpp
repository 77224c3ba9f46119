#pragma once
// Inside the field data layer: the lines of a file and the readers of the two formats.
#include <algorithm>
#include <string>
#include <string_view>

#include "core/field.hpp"

namespace kavron {

// Calls `f` with each line of the bytes, without its end: CR LF, LF or CR alone; `f` returns
// false to stop.
template <class F>
void for_each_line(std::string_view bytes, F f) {
    std::size_t at = 0;
    const std::size_t n = bytes.size();
    while (at < n) {
        std::size_t end = at;
        while (end < n && bytes[end] != '\r' && bytes[end] != '\n') {
            ++end;
        }
        if (!f(bytes.substr(at, end - at))) {
            return;
        }
        const bool crlf = end + 1 < n && bytes[end] == '\r' && bytes[end + 1] == '\n';
        at = end + (crlf ? 2 : 1);
    }
}

// The two readers: every setup and reading of the file, every line that cannot be read.
void read_gsi(const std::string& name, std::string_view bytes, FieldFile& out);
void read_book(const std::string& name, std::string_view bytes, FieldFile& out);

}  // namespace kavron
