#include "cleanup/run_report.h"

#include <atomic>

#include "framework/sync.h"
#include "framework/timeline.h"
#include "framework/wide_text.h"

namespace {
std::atomic<IRunReport*> g_report{nullptr};

// What was left for safety: the main thread and the workers report it, the launcher reads it.
struct LeftForSafety {
  CCriticalSection lock;
  std::vector<std::string> items;
  std::vector<FileId> kept;
};
LeftForSafety& Left() {
  static LeftForSafety left;
  return left;
}
}  // namespace

void ReportLeftForSafety(const std::string& what, const std::string& why, const FileId& kept) {
  {
    LeftForSafety& left = Left();
    CCriticalSectionLock hold(left.lock);
    left.items.push_back(what + ": " + why);
    if (kept.Known()) left.kept.push_back(kept);
  }
  ReportStep("left for safety: " + what + ": " + why);
}

bool LeftAnythingForSafety() { return !WhatWasLeftForSafety().empty(); }

std::vector<std::string> WhatWasLeftForSafety() {
  LeftForSafety& left = Left();
  CCriticalSectionLock hold(left.lock);
  return left.items;
}

bool IsKeptForSafety(const FileId& id) {
  LeftForSafety& left = Left();
  CCriticalSectionLock hold(left.lock);
  for (const FileId& kept : left.kept)
    if (kept == id) return true;
  return false;
}

void SetRunReport(IRunReport* report) { g_report = report; }

void ReportStep(const std::string& text) {
  // Also in the debug output, where the benchmark's timeline reads it.
  Stamp(text);
  if (IRunReport* report = g_report.load()) report->Step(text);
}

void ReportRemoval(const std::string& what, RemovalResult result) {
  // A link that could not be removed without reaching what it points to keeps the client's folder;
  // it was left for safety.
  if (result == RemovalResult::LinkKept) {
    ReportLeftForSafety(what, "a link the system cannot remove alone; what it points to is not touched");
    return;
  }
  if (IRunReport* report = g_report.load()) report->Removal(what, result);
}

RemovalResult ResultOfError(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS:
      return RemovalResult::Removed;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return RemovalResult::Missing;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ACCESS_DENIED:
      return RemovalResult::InUse;
    case ERROR_DELETE_PENDING:
      return RemovalResult::DeletePending;
    case ERROR_DIR_NOT_EMPTY:
      return RemovalResult::NotEmpty;
    case kErrorStepNotInTree:
      return RemovalResult::Changed;
    default:
      return RemovalResult::Failed;
  }
}

void ReportRemovalCode(const std::string& what, DWORD code) { ReportRemoval(what, ResultOfError(code)); }

bool IsReportListened() { return g_report.load() != nullptr; }

void ReportRemoval(const std::wstring& path, RemovalResult result) {
  if (result == RemovalResult::LinkKept || IsReportListened()) ReportRemoval(AnsiFromWide(path), result);
}

void ReportProgram(const std::string& commandLine, bool started) {
  if (IRunReport* report = g_report.load()) report->Program(commandLine, started);
}

const char* RemovalResultText(RemovalResult result) {
  switch (result) {
    case RemovalResult::Removed: return "removed";
    case RemovalResult::Missing: return "missing";
    case RemovalResult::InUse: return "left: in use";
    case RemovalResult::DeletePending: return "left: delete pending";
    case RemovalResult::NotEmpty: return "left: not empty";
    case RemovalResult::Refused: return "left: refused by the path rule";
    case RemovalResult::Changed: return "left: not the object listed, so never touched";
    case RemovalResult::LinkKept: return "left: a link the system cannot remove alone";
    case RemovalResult::Failed: return "left";
    case RemovalResult::AtRestart: return "left: removed at restart";
  }
  return "left";
}

bool AnyFileKeptForSafety() {
  LeftForSafety& left = Left();
  CCriticalSectionLock hold(left.lock);
  return !left.kept.empty();
}
