// The switches deployment tools give the program. Without any argument the program behaves as it
// always has; every switch is an addition. Switches start with "/" or "-" and are read without
// regard to case. Pure text handling, in UTF-16 as the system gives the command line (a path given
// for the log is taken as it was written, never a best-fit form of it).
#pragma once
#include <string>

struct CommandLineOptions {
  bool silent = false;     // /S: no window at all, the defaults answer every question
  int keepDriver = -1;     // /KEEPDRIVER=0|1; -1 when not given
  int keepData = -1;       // /KEEPDATA=0|1; -1 when not given
  std::wstring logPath;    // /LOG=path; empty when not given
};

// Reads the arguments (the command line after the program's own name). Arguments are separated
// by blanks; double quotes group blanks into one argument and are dropped ("/LOG=C:\a b\x.log"
// or /LOG="C:\a b\x.log"). False, with the first thing that was wrong in error, for an unknown
// or malformed switch; the good switches are read all the same (so /S is known anyway).
bool ParseCommandLine(const std::wstring& arguments, CommandLineOptions& options, std::wstring& error);

// The text after the program's name in a full command line (the name may be quoted).
std::wstring ArgumentsOf(const std::wstring& commandLine);

// The usage text shown (or logged, when silent) for bad arguments.
extern const char kCommandLineUsage[];
