#pragma once
// What differs between the systems the program runs on: the console of a real run, the opening of
// files by the names the user types, the clock, the storage of the task, and messages for the
// user's terminal. driver/platform_posix.cpp serves Linux and the other POSIX systems,
// driver/platform_windows.cpp serves Windows; everything else is the same on both.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run.hpp"
#include "driver/task.hpp"
#include "format/channels.hpp"

namespace kavron::platform {

enum class Open {
    Replace,  // create, or replace what is there
    New,      // create only if no file of that name exists (exclusive, also against a racing run)
    Read,     // an existing file
    Keep,     // an existing file for appending, or a new one: nothing that is there is changed
};

// Opens a file in binary mode by the name the user gave. On Windows the name's bytes are taken in
// code page 852 (the console's) and the file is opened by its Unicode name; elsewhere the bytes
// are the name. nullptr when it cannot be opened.
std::FILE* open_file(const std::string& name, Open how);

// Removes the file; false when it cannot.
bool remove_file(const std::string& name);

// The local date and time of day.
DateTime local_now();

// One line for the user's terminal on standard error: UTF-8 text, written in UTF-8 on POSIX
// systems; on Windows as Unicode to a console, else in the console's code page 852.
void tell_user(std::string_view utf8);

// The program's arguments after its name, as bytes that open_file takes for names.
std::vector<std::string> arguments(int argc, char** argv);

// A real run: standard input and output as bytes (the program writes its own CR LF), the task's
// storage, and on a Windows console the code pages 852 for the run, restored at every ending,
// Ctrl+C included.
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
    Task& task() { return *task_; }

private:
    struct Impl;
    Impl* impl_;
    LineReader* in_ = nullptr;
    ByteWriter* out_ = nullptr;
    ByteWriter* text_out_ = nullptr;
    ByteWriter* text_err_ = nullptr;
    Task* task_ = nullptr;
};

}  // namespace kavron::platform
