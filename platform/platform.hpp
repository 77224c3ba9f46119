#pragma once
// What differs between the systems the program runs on: the console of a real run, files opened
// by the names the user types, the clock, memory for the task, and messages for the user's
// terminal. platform_posix.cpp serves Linux and the other POSIX systems, platform_windows.cpp
// serves Windows, platform_web.cpp the WebAssembly build (a page, or node); files_posix.cpp has
// the files of the first and the last. Everything else is the same on all of them.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/channels.hpp"

namespace kavron::platform {

// The local date and time of day.
struct LocalTime {
    int year, month, day, hour, minute, second;
};
LocalTime local_now();

enum class Create {
    Replace,  // create, or replace what is there
    New,      // create only if no file of that name exists (exclusive, also against a racing run)
};

// Opens a file for writing by the name the user gave. On Windows the name's bytes are taken in
// code page 852 (the console's) and the file is opened by its Unicode name; elsewhere the bytes
// are the name (in the web build a UTF-8 name: typed_name converts typed names). nullptr when it
// cannot be opened, with the system's error number in `error` (EEXIST: a file of that name
// exists).
std::unique_ptr<RawFile> create_file(const std::string& name, Create how, int* error = nullptr);

// The most an input file may hold: a job takes a few kilobytes, and a name that stands for a
// device or a pipe must not fill the memory.
constexpr std::size_t kInputLimit = std::size_t{1} << 20;

// The whole of an existing file: Cannot when it cannot be opened or read (`error` receives the
// system's error number), TooLarge when it holds, or a device or a pipe gives, more than
// kInputLimit bytes. A read that waits (a pipe, a terminal) ends when the user interrupts the
// run: it throws Interrupted.
enum class ReadResult { Ok, Cannot, TooLarge };
ReadResult read_file(const std::string& name, std::string& bytes, int* error = nullptr);

// Removes the file; false when it cannot.
bool remove_file(const std::string& name);

// What a name stands for: nothing, a regular file (`head` receives its first `n` bytes), a
// regular file that cannot be read, or something else (a device, a pipe, a folder, a name that
// cannot be looked at).
enum class Found { Nothing, Regular, Unreadable, Other };
Found look_at(const std::string& name, std::string& head, std::size_t n);

// The names of the regular files in a folder (not its subfolders nor the names that begin with
// a dot), sorted by their bytes, each as the functions above take it once it is joined to the
// folder's name with '/'; nullopt when the name is not a folder that can be read.
std::optional<std::vector<std::string>> files_in(const std::string& folder);

// Whether two names stand for one existing file.
bool same_file(const std::string& a, const std::string& b);

// Throws Interrupted once the user has interrupted the run: for work that waits on no channel
// (the tools' loops), which the interruption does not wake.
void check_interrupted();

// The system's reason for an error number, in Czech (for the user's messages).
std::string reason_of(int error);

// A file name typed in the console dialog (its bytes in the console's code page) as the name the
// functions above take: on a Linux terminal that speaks UTF-8 the name's UTF-8 (the file that
// ls shows), otherwise the bytes as typed; on Windows the same bytes, which the functions take
// in code page 852; in the web build the name's UTF-8.
std::string typed_name(const std::string& console_bytes);

// A file name, typed (console bytes) or from the command line, as UTF-8 text for a message.
std::string shown_name(const std::string& name, bool typed);

// One line for the user's terminal on standard error: UTF-8 text, written in UTF-8 on POSIX
// systems; on Windows as Unicode to a console, else in the console's code page 852.
void tell_user(std::string_view utf8);

// The program's arguments after its name, as bytes that create_file takes for names.
std::vector<std::string> arguments(int argc, char** argv);

// A real run: standard input and output as bytes (the program writes its own CR LF), memory for
// the stages' values, and on a Windows console the code pages 852 for the run, restored at every
// ending. On a Linux terminal whose locale speaks UTF-8 the console is shown in UTF-8 (every byte
// read as code page 852 shows it) and the typed lines are taken from UTF-8 into code page 852;
// redirected input and output stay bytes. From its start the session catches the interruptions
// (SIGINT, SIGTERM and SIGHUP; on Windows Ctrl+C, Ctrl+Break and the closing of the console
// window): the console's reader and writer then throw Interrupted, so that the run ends through the
// driver with whole files. A closed standard output and a file-size limit are write errors
// (WriteFailed), not deaths by signal.
class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    LineReader& in() { return *in_; }
    ByteWriter& out() { return *out_; }
    // Standard output and standard error for texts in UTF-8 (help, messages), converted for the
    // user's terminal as tell_user does.
    ByteWriter& text_out() { return *text_out_; }
    ByteWriter& text_err() { return *text_err_; }
    // Zeroed memory for the storage of the stages, aligned for any type, valid for the whole
    // session.
    void* memory(std::size_t bytes);

private:
    struct Impl;
    Impl* impl_;
    LineReader* in_ = nullptr;
    ByteWriter* out_ = nullptr;
    ByteWriter* text_out_ = nullptr;
    ByteWriter* text_err_ = nullptr;
};

}  // namespace kavron::platform
