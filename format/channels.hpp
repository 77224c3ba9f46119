#pragma once
// The program's channels: the console (carriage-control records and answer lines), output files
// (records ending in CR LF) and the sequential input file, with value-list and formatted reads.
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "format/record.hpp"

namespace kavron {

// The program fails in one of three ways. An ending that the job calls for (a bad input, a
// singular system, the console's end, ...) is a value that the steps hand back (a Stop, with the
// ending and its texts, which the driver writes). Two things that no step can handle are
// exceptions, and both derive from std::exception: a channel that can no longer be written, and the
// user's interruption. The driver catches them and ends the run through their endings.

// Thrown when a channel can no longer be written (a full disk, a file-size limit, a closed
// pipe): the system's error number. The driver ends the run through its write-error ending.
struct WriteFailed : std::exception {
    explicit WriteFailed(int e) : error(e) {}
    const char* what() const noexcept override { return "a channel cannot be written"; }
    int error;
};

// Thrown when the user interrupts the run (a signal on POSIX systems, Ctrl+C, Ctrl+Break or the
// closing of the console window on Windows): what it was, and the exit status it calls for.
struct Interrupted : std::exception {
    Interrupted(const char* by, int s) : by(by), status(s) {}
    const char* what() const noexcept override { return by; }
    const char* by;  // "SIGINT", "Ctrl+C", ...
    int status;      // 128 + the signal on POSIX systems
};

// Where console bytes go. A writer may gather bytes until flush(); either may throw WriteFailed
// or Interrupted.
class ByteWriter {
public:
    virtual ~ByteWriter() = default;
    virtual void write(std::string_view bytes) = 0;
    virtual void flush() {}
};

// A file opened for writing by the platform layer. A write reports how many of its bytes reached
// the file and, when not all did, the system's error number.
class RawFile {
public:
    virtual ~RawFile() = default;
    virtual bool write(std::string_view bytes, std::size_t& done, int& error) = 0;
    // Cuts the file to its first `size` bytes; the next write goes on from there.
    virtual bool truncate(std::uint64_t size) = 0;
    virtual bool close(int& error) = 0;
};

// Where console lines come from; nullopt at the end of input. The line ending is not included.
class LineReader {
public:
    virtual ~LineReader() = default;
    virtual std::optional<std::string> read_line() = 0;
};

class Console {
public:
    Console(LineReader& in, ByteWriter& out) : in_(in), out_(out) {}

    // One record whose first byte is the carriage control: blank = new line, '+' = overwrite.
    void record(std::string_view rec);
    void write(const fmt::Layout& layout, std::initializer_list<fmt::Val> vals = {},
               CodePage cp = CodePage::Cp852);
    void list(std::initializer_list<fmt::Val> vals, CodePage cp = CodePage::Cp852);
    // A stop or pause text: the open line is closed and the text stands on a line of its own.
    void text_line(std::string_view bytes);
    // Closes a line left open (end of the run).
    void finish();

    // Reads one answer line; nullopt at the end of input (the open line stays open). A line read
    // at a pause does not count as an answer: the next record still begins a new line.
    std::optional<std::string> read_line(bool answer = true);
    // True once a read met the end of input right after another read that met it.
    bool input_ended() const { return eof_streak_ >= 2; }

    // Once a write of the console failed, nothing more is written to it; stop() ends the writing
    // on purpose (after an interruption).
    bool broken() const { return broken_; }
    void stop() { broken_ = true; }

private:
    void emit(std::string_view bytes);
    void flush_out();

    LineReader& in_;
    ByteWriter& out_;
    bool broken_ = false;
    bool open_ = false;
    int eof_streak_ = 0;
};

// An output file: every record ends with CR LF. Records are gathered and written in whole
// records; when a write fails, the file is cut back to its last whole record, the failure is
// kept, and later records are dropped.
class OutFile {
public:
    OutFile() = default;
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;
    ~OutFile();

    // Takes a file the platform has opened (nullptr: none).
    void attach(std::unique_ptr<RawFile> f) {
        close();
        f_ = std::move(f);
        pending_.reserve(kGather + 1024);
        failed_ = false;
        error_ = 0;
    }
    bool is_open() const { return f_ != nullptr; }
    // Writes the records gathered so far; false once any write of the file has failed. A record
    // that fills the gathered records writes them, and throws WriteFailed when that fails.
    bool flush();
    // Flushes and closes; false when a write or the close failed.
    bool close();
    bool failed() const { return failed_; }
    int error() const { return error_; }

    void record(std::string_view rec);
    void write(const fmt::Layout& layout, std::initializer_list<fmt::Val> vals = {},
               CodePage cp = CodePage::Cp1250);
    void list(std::initializer_list<fmt::Val> vals, CodePage cp = CodePage::Cp1250);

private:
    static constexpr std::size_t kGather = 3072;  // records gathered before they are written
    std::unique_ptr<RawFile> f_;
    std::string pending_;        // whole records not yet written
    std::uint64_t written_ = 0;  // bytes in the file: whole records only
    bool failed_ = false;
    int error_ = 0;
};

enum class ReadStatus { Ok, End, Fail };

// A variable of a value-list read.
struct Var {
    enum class Kind { I16, F32, F64, Text };
    Kind kind;
    void* p;
    std::size_t len = 0;  // Text: length of the variable
};
inline Var var(std::int16_t& v) {
    return {Var::Kind::I16, &v};
}
inline Var var(float& v) {
    return {Var::Kind::F32, &v};
}
inline Var var(double& v) {
    return {Var::Kind::F64, &v};
}
inline Var var(std::string& v, std::size_t len) {
    return {Var::Kind::Text, &v, len};
}

// A reading position in a sequence of records.
class Cursor {
public:
    virtual ~Cursor() = default;

    // Value-list read of the variables.
    ReadStatus list_read(std::span<const Var> vars);
    ReadStatus list_read(std::initializer_list<Var> vars) {
        return list_read(std::span<const Var>(vars.begin(), vars.size()));
    }
    // Formatted read of one record into a text of w positions (padded with blanks to len).
    ReadStatus text_read(std::string& v, std::size_t w, std::size_t len);

    // Of the last value-list read: the records (from 1) of its first and its last value, and
    // what its last record held after its last value (from the next value on; empty when the
    // read ended there or at a slash).
    long first_record() const { return first_value_ + 1; }
    long last_record() const { return last_value_ + 1; }
    const std::string& leftover() const { return leftover_; }
    // The record (from 1) the reading position stands in.
    long current_record() const { return index_ + 1; }
    // Of the last value-list read: the record (from 1) where a quoted text began that did not
    // end on it (its closing mark is on a later record, or missing); 0 when none.
    long quote_spanned() const { return quote_from_ + 1; }

protected:
    // Loads the next record into line_; false at the end of the records.
    virtual bool next_record() = 0;

    std::string line_;
    std::size_t col_ = 0;
    bool done_ = true;  // the current record is used up; the next read starts on the next one
    long index_ = -1;   // number of the current record, from 0
    long last_value_ = -1;
    long first_value_ = -1;
    long quote_from_ = -1;
    std::string leftover_;

private:
    bool ensure_line();
    bool at_value();
    ReadStatus slash(bool took);
    ReadStatus all_read();
    bool value_token(std::string& token, bool& quoted, bool& glued);
    bool fill(const Var& v, std::string_view token, bool quoted);
    long repeat_count();
    bool quoted_token(std::string& token);
    ReadStatus failed();
    void note_leftover();
};

// The input data file, held in memory and read record by record; can step back.
class InFile : public Cursor {
public:
    // Takes the whole file; lines end in LF or CR LF. A UTF-8 byte-order mark at its start is
    // not part of the first line.
    void load(std::string_view data);
    bool had_byte_order_mark() const { return bom_; }
    // The text of record n (from 1); empty beyond the last.
    std::string_view record(long n) const {
        return n >= 1 && n <= static_cast<long>(lines_.size())
                   ? std::string_view(lines_[static_cast<std::size_t>(n - 1)])
                   : std::string_view();
    }
    long records() const { return static_cast<long>(lines_.size()); }
    // The next read starts again at the first character of the record in which the previous read
    // took its last value.
    void step_back();

protected:
    bool next_record() override;

private:
    std::vector<std::string> lines_;
    bool bom_ = false;
};

// Reads answer lines from the console.
class ConsoleCursor : public Cursor {
public:
    explicit ConsoleCursor(Console& c) : console_(c) {}

protected:
    bool next_record() override;

private:
    Console& console_;
};

}  // namespace kavron
