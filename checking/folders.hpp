#pragma once
// A group's folder: its files told apart by their content.
#include <string>
#include <string_view>
#include <vector>

#include "checking/check.hpp"
#include "core/check.hpp"

namespace kavron {

// The files of a folder by their kinds, and the bytes of the three the check reads.
struct FolderFiles {
    Found found;
    std::string input, listing, diagnostics;
};

// The bytes without a UTF-8 byte-order mark at their start.
std::string_view without_bom(std::string_view bytes);

// The files of the folder at `path` by their kinds; files that are one of `skip` (the reports of
// this run) are not looked at. When no file reads as an input to its end but there is a listing
// and one other text file, that file is taken as the input: an input with an error in it still
// gives a listing (which ends with the error).
void look_into(const std::string& path, const std::vector<std::string>& skip, FolderFiles& f);

}  // namespace kavron
