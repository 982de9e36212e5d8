// The switches deployment tools give the program. Without any argument the program behaves as it
// always has; every switch is an addition. Switches start with "/" or "-" and are read without
// regard to case. Pure text handling.
#pragma once
#include <string>

struct CommandLineOptions {
  bool silent = false;     // /S: no window at all, the defaults answer every question
  int keepDriver = -1;     // /KEEPDRIVER=0|1; -1 when not given
  int keepData = -1;       // /KEEPDATA=0|1; -1 when not given
  std::string logPath;     // /LOG=path; empty when not given
};

// Reads the arguments (the command line after the program's own name). Arguments are separated
// by blanks; double quotes group blanks into one argument and are dropped ("/LOG=C:\a b\x.log"
// or /LOG="C:\a b\x.log"). False, with the first thing that was wrong in error, for an unknown
// or malformed switch; the good switches are read all the same (so /S is known anyway).
bool ParseCommandLine(const std::string& arguments, CommandLineOptions& options, std::string& error);

// The text after the program's name in a full command line (the name may be quoted).
std::string ArgumentsOf(const std::string& commandLine);

// The usage text shown (or logged, when silent) for bad arguments.
extern const char kCommandLineUsage[];
