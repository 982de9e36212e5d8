// What the clean-up did, told to whoever listens: the run's log when the program was asked for
// one. Nobody listens by default; then a removal's report makes no text at all (the path stays
// UTF-16), and a step is only written to the debug output. Reports come from the main thread and
// the worker threads alike; a listener serialises them itself.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "cleanup/report/removal_result.h"
#include "framework/file_facts.h"

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
// A removal's result, with the system's error where one left the object in place. Whatever a
// removal left is remembered for the run's account (a later removal of the same that succeeds
// forgets it).
void ReportRemoval(const std::string& what, RemovalResult result, DWORD error = ERROR_SUCCESS);
// The same for an exact path, made text of the code page only when someone listens.
void ReportRemoval(const std::wstring& path, RemovalResult result, DWORD error = ERROR_SUCCESS);
// Whether anyone listens (the log was asked for).
bool IsReportListened();
// The result of a removal from the system's code: ERROR_SUCCESS is removed.
void ReportRemovalCode(const std::string& what, DWORD code);
void ReportProgram(const std::string& commandLine, bool started);

// Something of the client is left because acting on it would have been unsafe: a companion
// program or library that others could have changed was not run, or a file in use could not
// safely be queued for the restart. Reported as a step ("left for safety: <what>: <why>") and
// remembered: the run then ends with a code that is not plain success, and a file given by its
// identity stays, so that a later run, once the folder is secured, can still use it.
void ReportLeftForSafety(const std::string& what, const std::string& why, const FileId& kept = FileId());
bool LeftAnythingForSafety();
// What was left for safety so far, each "<what>: <why>", in order.
std::vector<std::string> WhatWasLeftForSafety();
// A companion the run needed was held by another program without sharing it, longer than it was
// waited for: it was not used. Reported as a step ("in use: <what>: <why>") and remembered: the run
// cannot complete, and the installation, with the uninstaller, stays for a run once that program
// has let go.
void ReportCompanionInUse(const std::string& what, const std::string& why);
bool AnyCompanionInUse();
// What was left in use so far, each "<what>: <why>", in order.
std::vector<std::string> WhatWasLeftInUse();
// What was left for a later run, for safety or in use: the installation and the uninstaller stay.
inline bool LeftAnythingForALaterRun() { return LeftAnythingForSafety() || AnyCompanionInUse(); }

// What a removal left in place: the path (or the text of a key or entry), its last result, and the
// system's error where one was told.
struct LeftByRemoval {
  std::wstring what;
  RemovalResult result = RemovalResult::Failed;
  DWORD error = ERROR_SUCCESS;
};
// Every object the removals left so far, the last result of each, in the order they were first left.
std::vector<LeftByRemoval> WhatRemovalsLeft();

// Whether the file was left for safety (known by its identity), and whether any file was.
bool IsKeptForSafety(const FileId& id);
bool AnyFileKeptForSafety();

