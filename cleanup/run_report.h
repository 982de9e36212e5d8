// What the clean-up did, told to whoever listens: the run's log when the program was asked for
// one. Nobody listens by default, and then reporting costs a pointer test. Reports come from the
// main thread and the worker threads alike; a listener serialises them itself.
#pragma once
#include <windows.h>

#include <string>

// What became of one thing the clean-up was to remove.
enum class RemovalResult {
  Removed,
  Missing,    // it was not there
  Locked,     // in use or access denied: left
  NotEmpty,   // a folder that still holds something: left
  Refused,    // refused by the path rule: never touched
  LinkKept,   // a link the system could not remove by itself: left, and its target untouched
  Failed,     // left for another reason
  AtRestart,  // in use: queued for removal at the next restart
};

class IRunReport {
public:
  virtual ~IRunReport() = default;
  virtual void Step(const std::string& text) = 0;
  virtual void Removal(const std::string& what, RemovalResult result) = 0;
  virtual void Program(const std::string& commandLine, bool started) = 0;
};

// Sets the listener (null: nobody). Set it before any worker starts, and clear it after.
void SetRunReport(IRunReport* report);

// A step is also written to the debug output as "Uninstall: <text>".
void ReportStep(const std::string& text);
void ReportRemoval(const std::string& what, RemovalResult result);
// The error a removal leaves when a step of its path is not a plain folder of the tree it was
// listed in (a link, another volume, another object than listed): it was refused, never touched.
constexpr DWORD kErrorStepNotInTree = ERROR_CANT_ACCESS_FILE;

// The result of a removal from the system's code: ERROR_SUCCESS is removed.
void ReportRemovalCode(const std::string& what, DWORD code);
// Removed when done, else the result of the thread's last error (read first thing).
void ReportRemovalOutcome(const std::string& what, BOOL done);
void ReportProgram(const std::string& commandLine, bool started);

// The word a log uses for a result.
const char* RemovalResultText(RemovalResult result);
