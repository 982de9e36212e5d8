#include "cleanup/report/run_report.h"

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
  std::vector<std::string> inUse;
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

void ReportCompanionInUse(const std::string& what, const std::string& why) {
  {
    LeftForSafety& left = Left();
    CCriticalSectionLock hold(left.lock);
    left.inUse.push_back(what + ": " + why);
  }
  ReportStep("in use: " + what + ": " + why);
}

bool AnyCompanionInUse() { return !WhatWasLeftInUse().empty(); }

std::vector<std::string> WhatWasLeftInUse() {
  LeftForSafety& left = Left();
  CCriticalSectionLock hold(left.lock);
  return left.inUse;
}

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
  if (IRunReport* report = g_report.load()) report->Removal(what, result);
}

void ReportRemovalCode(const std::string& what, DWORD code) { ReportRemoval(what, ResultOfError(code)); }

bool IsReportListened() { return g_report.load() != nullptr; }

void ReportRemoval(const std::wstring& path, RemovalResult result) {
  if (IsReportListened()) ReportRemoval(AnsiFromWide(path), result);
}

void ReportProgram(const std::string& commandLine, bool started) {
  if (IRunReport* report = g_report.load()) report->Program(commandLine, started);
}

bool AnyFileKeptForSafety() {
  LeftForSafety& left = Left();
  CCriticalSectionLock hold(left.lock);
  return !left.kept.empty();
}
