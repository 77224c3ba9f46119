#include "checking/folders.hpp"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "core/listing_texts.hpp"
#include "format/codepage.hpp"
#include "input/input.hpp"
#include "platform/platform.hpp"

namespace kavron {

namespace {

bool starts_with(std::string_view s, std::string_view head) {
    return s.substr(0, head.size()) == head;
}

// The first line of a file, without its end.
std::string_view first_line(std::string_view bytes) {
    const std::size_t end = bytes.find_first_of("\r\n");
    return bytes.substr(0, end == std::string_view::npos ? bytes.size() : end);
}

// Whether the bytes read as an input file to the end of its measurements.
bool reads_as_input(std::string_view bytes) {
    const auto job = std::make_unique<Job>();
    return !read_job(bytes, *job);
}

std::string join(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) {
        out += out.empty() ? "" : ", ";
        out += n;
    }
    return out;
}

}  // namespace

std::string_view without_bom(std::string_view bytes) {
    return starts_with(bytes, "\xEF\xBB\xBF") ? bytes.substr(3) : bytes;
}

FileKind kind_of_file(std::string_view bytes) {
    // A listing or a diagnostics file that an editor saved again may have gained a byte-order
    // mark, and its texts may be in UTF-8 now.
    const std::string_view first = first_line(without_bom(bytes));
    if (starts_with(first, listing_text::kHead)) {
        return FileKind::Listing;
    }
    const std::string diagnostics = " " + std::string(listing_text::kDiagnosticsFirst);
    if (first == cp1250(diagnostics) || first == diagnostics) {
        return FileKind::Diagnostics;
    }
    const std::size_t text = bytes.find_first_not_of(" \t\r\n");
    const std::string_view body = text == std::string_view::npos ? "" : bytes.substr(text);
    for (const char* head : {"Rozbor spolehlivosti měření", "Návrh sítě", "Porovnání epoch",
                             "Kontrola třídy", "\xEF\xBB\xBFskupina;"}) {
        if (first == cp1250(head) || starts_with(bytes, head)) {
            return FileKind::Report;
        }
    }
    if (starts_with(body, "{") || starts_with(body, "<?xml") || starts_with(body, "<svg")) {
        return FileKind::Report;
    }
    if (bytes.find('\0') == std::string_view::npos && reads_as_input(bytes)) {
        return FileKind::Input;
    }
    return FileKind::Unknown;
}

namespace {

// The folder's inputs (at most two are kept: two are already too many), and its one other text
// file: only the first is kept, and whether there are more.
struct Candidates {
    std::vector<std::pair<std::string, std::string>> inputs;  // names and bytes
    std::vector<std::string> input_names;
    std::optional<std::pair<std::string, std::string>> text;
    int texts = 0;
};

// Puts one file of a folder where its kind goes; false when the folder has two of a kind that
// may be there once (the folder's problem says so).
bool sort_file(const std::string& shown, std::string bytes, FolderFiles& f, Candidates& c) {
    std::string* slot = nullptr;
    std::string* bytes_slot = nullptr;
    switch (kind_of_file(bytes)) {
        case FileKind::Listing:
            slot = &f.found.listing, bytes_slot = &f.listing;
            break;
        case FileKind::Diagnostics:
            slot = &f.found.diagnostics, bytes_slot = &f.diagnostics;
            break;
        case FileKind::Input:
            c.input_names.push_back(shown);
            if (c.inputs.empty()) {
                c.inputs.emplace_back(shown, std::move(bytes));
            }
            return true;
        case FileKind::Report:
            f.found.other.push_back(shown);
            return true;
        case FileKind::Unknown:
            f.found.unknown.push_back(shown);
            if (bytes.find('\0') == std::string::npos) {
                // Only one such file can be taken as the input: the bytes of a second are of no
                // use, nor are the first's then.
                if (++c.texts == 1) {
                    c.text.emplace(shown, std::move(bytes));
                } else {
                    c.text.reset();
                }
            }
            return true;
    }
    if (!slot->empty()) {
        f.found.problem = "dva soubory stejného druhu: " + *slot + " a " + shown;
        return false;
    }
    *slot = shown;
    *bytes_slot = std::move(bytes);
    return true;
}

}  // namespace

void look_into(const std::string& path, const std::vector<std::string>& skip, FolderFiles& f) {
    const auto names = platform::files_in(path);
    if (!names) {
        f.found.problem = "není složka, kterou lze přečíst";
        return;
    }
    Candidates c;
    for (const std::string& name : *names) {
        platform::check_interrupted();
        std::string file = path;
        file += '/';
        file += name;
        if (std::any_of(skip.begin(), skip.end(),
                        [&](const std::string& s) { return platform::same_file(s, file); })) {
            continue;  // a report of this run
        }
        const std::string shown = platform::shown_name(name, false);
        std::string bytes;
        int error = 0;
        switch (platform::read_file(file, bytes, &error)) {
            case platform::ReadResult::Ok:
                if (!sort_file(shown, std::move(bytes), f, c)) {
                    return;
                }
                break;
            case platform::ReadResult::TooLarge:
                f.found.unknown.push_back(shown);
                break;
            case platform::ReadResult::Cannot:
                f.found.unreadable.push_back(shown + " (" + platform::reason_of(error) + ")");
                break;
        }
    }
    if (c.input_names.size() > 1) {
        f.found.problem = "více vstupních souborů: " + join(c.input_names);
        return;
    }
    if (c.inputs.empty() && c.texts == 1 && c.text && !f.listing.empty()) {
        c.inputs.push_back(std::move(*c.text));
        f.found.unknown.erase(
            std::find(f.found.unknown.begin(), f.found.unknown.end(), c.inputs[0].first));
    }
    if (c.inputs.size() == 1) {
        f.found.input = c.inputs[0].first;
        f.input = std::move(c.inputs[0].second);
    }
}

}  // namespace kavron
