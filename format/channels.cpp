#include "format/channels.hpp"

#include <cmath>
#include <cstdlib>

namespace kavron {

// ---- console ----

void Console::emit(std::string_view bytes) {
    if (broken_) {
        return;
    }
    try {
        out_.write(bytes);
    } catch (const WriteFailed&) {
        broken_ = true;
        throw;
    }
}

void Console::record(std::string_view rec) {
    if (rec.empty()) {
        rec = " ";
    }
    if (rec[0] == '+') {
        emit("\r");
    } else if (open_) {
        emit("\r\n");
    }
    emit(rec.substr(1));
    open_ = true;
}

void Console::write(const fmt::Layout& layout, std::initializer_list<fmt::Val> vals, CodePage cp) {
    for (const auto& r : fmt::format_records(layout, {vals.begin(), vals.size()}, cp)) {
        record(r);
    }
}

void Console::list(std::initializer_list<fmt::Val> vals, CodePage cp) {
    for (const auto& r : fmt::list_records({vals.begin(), vals.size()}, cp)) {
        record(r);
    }
}

void Console::text_line(std::string_view bytes) {
    if (open_) {
        emit("\r\n");
    }
    emit(bytes);
    open_ = true;
}

void Console::finish() {
    if (open_) {
        open_ = false;
        emit("\r\n");
    }
    flush_out();
}

void Console::flush_out() {
    if (broken_) {
        return;
    }
    try {
        out_.flush();
    } catch (const WriteFailed&) {
        broken_ = true;
        throw;
    }
}

std::optional<std::string> Console::read_line(bool answer) {
    flush_out();  // the prompt shows before the program waits
    auto line = in_.read_line();
    if (!line) {
        ++eof_streak_;
        return std::nullopt;
    }
    eof_streak_ = 0;
    if (!line->empty() && line->back() == '\r') {
        line->pop_back();
    }
    if (answer) {
        open_ = false;
    }
    return line;
}

// ---- output files ----

OutFile::~OutFile() {
    close();
}

bool OutFile::flush() {
    if (f_ == nullptr || failed_) {
        return !failed_;
    }
    if (pending_.empty()) {
        return true;
    }
    std::size_t done = 0;
    int error = 0;
    if (!f_->write(pending_, done, error)) {
        // Keep only the whole records that reached the file.
        const std::size_t end = pending_.rfind("\r\n", done >= 2 ? done - 2 : 0);
        const std::size_t whole = end == std::string::npos || done < 2 ? 0 : end + 2;
        // A system may have written more than it says: the file is cut in any case.
        (void)f_->truncate(written_ + whole);
        written_ += whole;
        failed_ = true;
        error_ = error;
        pending_.clear();
        return false;
    }
    written_ += pending_.size();
    pending_.clear();
    return true;
}

bool OutFile::close() {
    if (f_ == nullptr) {
        return !failed_;
    }
    const bool flushed = flush();
    int error = 0;
    const bool closed = f_->close(error);
    f_.reset();
    if (flushed && !closed) {
        failed_ = true;
        error_ = error;
    }
    return !failed_;
}

void OutFile::record(std::string_view rec) {
    if (f_ == nullptr || failed_) {
        return;
    }
    pending_.append(rec);
    pending_.append("\r\n");
    if (pending_.size() >= kGather && !flush()) {
        throw WriteFailed{error_};
    }
}

void OutFile::write(const fmt::Layout& layout, std::initializer_list<fmt::Val> vals, CodePage cp) {
    for (const auto& r : fmt::format_records(layout, {vals.begin(), vals.size()}, cp)) {
        record(r);
    }
}

void OutFile::list(std::initializer_list<fmt::Val> vals, CodePage cp) {
    for (const auto& r : fmt::list_records({vals.begin(), vals.size()}, cp)) {
        record(r);
    }
}

// ---- reading ----

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
bool ends_token(char c) {
    return is_blank(c) || c == ',' || c == '/';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool parse_i16(std::string_view t, std::int16_t& out) {
    std::size_t k = 0;
    bool neg = false;
    if (k < t.size() && (t[k] == '+' || t[k] == '-')) {
        neg = t[k] == '-';
        ++k;
    }
    if (k == t.size()) {
        return false;
    }
    long v = 0;
    for (; k < t.size(); ++k) {
        if (!is_digit(t[k])) {
            return false;
        }
        v = v * 10 + (t[k] - '0');
        if (v > 32767) {
            return false;
        }
    }
    out = static_cast<std::int16_t>(neg ? -v : v);
    return true;
}

// Decimal notation with an optional exponent introduced by E (either case); returns it in the
// form the C library reads, or an empty string when the token is not such a number.
std::string real_syntax(std::string_view t) {
    std::string s;
    std::size_t k = 0;
    if (k < t.size() && (t[k] == '+' || t[k] == '-')) {
        s += t[k++];
    }
    std::size_t digits = 0;
    while (k < t.size() && is_digit(t[k])) {
        s += t[k++];
        ++digits;
    }
    if (k < t.size() && t[k] == '.') {
        s += t[k++];
        while (k < t.size() && is_digit(t[k])) {
            s += t[k++];
            ++digits;
        }
    }
    if (digits == 0) {
        return {};
    }
    if (k < t.size() && (t[k] == 'E' || t[k] == 'e')) {
        s += 'e';
        ++k;
        if (k < t.size() && (t[k] == '+' || t[k] == '-')) {
            s += t[k++];
        }
        if (k == t.size()) {
            return {};
        }
        while (k < t.size() && is_digit(t[k])) {
            s += t[k++];
        }
    }
    return k == t.size() ? s : std::string();
}

}  // namespace

bool Cursor::ensure_line() {
    while (done_) {
        if (!next_record()) {
            return false;
        }
    }
    return true;
}

bool Cursor::fill(const Var& v, std::string_view token, bool quoted) {
    if (v.kind == Var::Kind::Text) {
        if (!quoted) {
            return false;
        }
        std::string s(token);
        s.resize(v.len, ' ');
        *static_cast<std::string*>(v.p) = s;
        return true;
    }
    if (quoted) {
        return false;
    }
    if (v.kind == Var::Kind::I16) {
        return parse_i16(token, *static_cast<std::int16_t*>(v.p));
    }
    const std::string s = real_syntax(token);
    if (s.empty()) {
        return false;
    }
    if (v.kind == Var::Kind::F32) {
        const float f = std::strtof(s.c_str(), nullptr);
        if (std::isinf(f)) {
            return false;
        }
        *static_cast<float*>(v.p) = f;
        return true;
    }
    const double d = std::strtod(s.c_str(), nullptr);
    if (std::isinf(d)) {
        return false;
    }
    *static_cast<double*>(v.p) = d;
    return true;
}

// A repeat count r* at the position: r, with the position behind the '*'; 0 when there is none.
long Cursor::repeat_count() {
    std::size_t k = col_;
    long r = 0;
    while (k < line_.size() && is_digit(line_[k]) && r < 100000) {
        r = r * 10 + (line_[k] - '0');
        ++k;
    }
    if (k > col_ && k < line_.size() && line_[k] == '*' && r > 0) {
        col_ = k + 1;
        return r;
    }
    return 0;
}

// A text in apostrophes or quotation marks, which may go on over line ends; false when the end
// of the records comes first (the reader then stays at the end).
bool Cursor::quoted_token(std::string& token) {
    const char q = line_[col_++];
    const long from = index_;
    for (;;) {
        if (index_ != from) {
            quote_from_ = from;
        }
        if (col_ >= line_.size()) {
            if (!next_record()) {
                done_ = true;
                quote_from_ = from;
                return false;
            }
            continue;
        }
        if (line_[col_] == q) {
            if (col_ + 1 < line_.size() && line_[col_ + 1] == q) {
                token.push_back(q);
                col_ += 2;
                continue;
            }
            ++col_;
            return true;
        }
        token.push_back(line_[col_++]);
    }
}

// After a bad value: the position behind the separator that follows it.
ReadStatus Cursor::failed() {
    while (col_ < line_.size() && is_blank(line_[col_])) {
        ++col_;
    }
    if (col_ < line_.size() && line_[col_] == ',') {
        ++col_;
        while (col_ < line_.size() && is_blank(line_[col_])) {
            ++col_;
        }
    }
    if (col_ >= line_.size()) {
        done_ = true;
    }
    return ReadStatus::Fail;
}

// Skips the blanks before a value; false (the record used up) at the end of the record.
bool Cursor::at_value() {
    while (col_ < line_.size() && is_blank(line_[col_])) {
        ++col_;
    }
    if (col_ >= line_.size()) {
        done_ = true;
        return false;
    }
    return true;
}

// A slash ends the read: the variables not reached keep their values.
ReadStatus Cursor::slash(bool took) {
    if (!took) {
        last_value_ = index_;
    }
    if (first_value_ < 0) {
        first_value_ = last_value_;
    }
    done_ = true;
    return ReadStatus::Ok;
}

// The value that begins at the reading position: its text, whether it was quoted, and whether
// text is glued to its closing mark; false when a quoted text meets the end of the records.
bool Cursor::value_token(std::string& token, bool& quoted, bool& glued) {
    quoted = line_[col_] == '\'' || line_[col_] == '"';
    if (quoted && !quoted_token(token)) {
        return false;
    }
    while (!quoted && col_ < line_.size() && !ends_token(line_[col_])) {
        token.push_back(line_[col_++]);
    }
    // A closing mark must be followed by a separator; otherwise the value, up to the next
    // separator, is bad.
    glued = quoted && col_ < line_.size() && !ends_token(line_[col_]);
    while (glued && col_ < line_.size() && !ends_token(line_[col_])) {
        ++col_;
    }
    return true;
}

ReadStatus Cursor::list_read(std::span<const Var> vars) {
    std::size_t vi = 0;
    bool comma_pending = true;  // a comma now would stand for an empty value
    bool took = false;
    first_value_ = -1;
    quote_from_ = -1;
    leftover_.clear();
    while (vi < vars.size()) {
        if (took && first_value_ < 0) {
            first_value_ = last_value_;
        }
        if (done_ && !next_record()) {
            return ReadStatus::End;
        }
        if (!at_value()) {
            continue;
        }
        const char c = line_[col_];
        if (c == ',') {
            if (comma_pending) {
                ++vi;  // an empty value, taken on this record
                took = true;
                last_value_ = index_;
            }
            comma_pending = true;
            ++col_;
            continue;
        }
        if (c == '/') {
            return slash(took);
        }
        long repeat = repeat_count();
        if (repeat > 0 && (col_ >= line_.size() || ends_token(line_[col_]))) {
            vi += static_cast<std::size_t>(repeat);  // r* alone: r empty values
            comma_pending = false;
            took = true;
            last_value_ = index_;
            continue;
        }
        repeat = repeat > 0 ? repeat : 1;
        std::string token;
        bool quoted = false, glued = false;
        if (!value_token(token, quoted, glued)) {
            return ReadStatus::End;
        }
        took = true;
        last_value_ = index_;
        for (long r = 0; r < repeat && vi < vars.size(); ++r) {
            if (glued || !fill(vars[vi], token, quoted)) {
                return failed();
            }
            ++vi;
        }
        comma_pending = false;
    }
    return all_read();
}

// Every variable has its value: what is left on the record is noted, the next read begins on the
// next record.
ReadStatus Cursor::all_read() {
    if (first_value_ < 0) {
        first_value_ = last_value_;
    }
    note_leftover();
    done_ = true;
    return ReadStatus::Ok;
}

// What the record holds beyond the values read, from the next value on.
void Cursor::note_leftover() {
    std::size_t k = col_;
    while (k < line_.size() && is_blank(line_[k])) {
        ++k;
    }
    if (k < line_.size() && line_[k] == ',') {
        ++k;
    }
    while (k < line_.size() && is_blank(line_[k])) {
        ++k;
    }
    if (!done_ && k < line_.size() && line_[k] != '/') {
        std::size_t end = line_.size();
        while (end > k && is_blank(line_[end - 1])) {
            --end;
        }
        leftover_ = line_.substr(k, end - k);
    }
}

ReadStatus Cursor::text_read(std::string& v, std::size_t w, std::size_t len) {
    if (!ensure_line()) {
        return ReadStatus::End;
    }
    std::string s = col_ < line_.size() ? line_.substr(col_, w) : std::string();
    s.resize(len, ' ');
    v = s;
    last_value_ = index_;
    done_ = true;
    return ReadStatus::Ok;
}

void InFile::load(std::string_view data) {
    lines_.clear();
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    bom_ = data.substr(0, kBom.size()) == kBom;
    std::size_t start = bom_ ? kBom.size() : 0;
    while (start < data.size()) {
        std::size_t end = data.find('\n', start);
        if (end == std::string::npos) {
            end = data.size();
        }
        std::string line(data.substr(start, end - start));
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines_.push_back(std::move(line));
        start = end + 1;
    }
    index_ = -1;
    done_ = true;
}

bool InFile::next_record() {
    if (index_ + 1 >= static_cast<long>(lines_.size())) {
        index_ = static_cast<long>(lines_.size());
        return false;
    }
    ++index_;
    line_ = lines_[static_cast<std::size_t>(index_)];
    col_ = 0;
    done_ = false;
    return true;
}

void InFile::step_back() {
    if (last_value_ < 0) {
        return;
    }
    index_ = last_value_ - 1;
    done_ = true;
}

bool ConsoleCursor::next_record() {
    auto line = console_.read_line();
    if (!line) {
        return false;
    }
    line_ = *line;
    col_ = 0;
    done_ = false;
    ++index_;
    return true;
}

}  // namespace kavron
