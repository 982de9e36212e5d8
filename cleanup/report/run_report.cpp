#include "cleanup/report/run_report.h"

#include <atomic>
#include <map>

#include "framework/sync.h"
#include "framework/timeline.h"
#include "framework/wide_text.h"

namespace {
std::atomic<IRunReport*> g_report{nullptr};

// What was left, for safety, in use or by a removal: the main thread and the workers report it, the
// launcher reads it.
struct RunLeftovers {
  CCriticalSection lock;
  std::vector<std::string> items;
  std::vector<FileId> kept;
  std::vector<std::string> inUse;
  std::vector<LeftByRemoval> byRemovals;
  std::map<std::wstring, size_t> byRemovalsIndex;  // the place of each path in byRemovals
};
RunLeftovers& Left() {
  static RunLeftovers left;
  return left;
}
}  // namespace

void ReportLeftForSafety(const std::string& what, const std::string& why, const FileId& kept) {
  {
    RunLeftovers& left = Left();
    CCriticalSectionLock hold(left.lock);
    left.items.push_back(what + ": " + why);
    if (kept.Known()) left.kept.push_back(kept);
  }
  ReportStep("left for safety: " + what + ": " + why);
}

bool LeftAnythingForSafety() { return !WhatWasLeftForSafety().empty(); }

void ReportCompanionInUse(const std::string& what, const std::string& why) {
  {
    RunLeftovers& left = Left();
    CCriticalSectionLock hold(left.lock);
    left.inUse.push_back(what + ": " + why);
  }
  ReportStep("in use: " + what + ": " + why);
}

bool AnyCompanionInUse() { return !WhatWasLeftInUse().empty(); }

std::vector<std::string> WhatWasLeftInUse() {
  RunLeftovers& left = Left();
  CCriticalSectionLock hold(left.lock);
  return left.inUse;
}

std::vector<std::string> WhatWasLeftForSafety() {
  RunLeftovers& left = Left();
  CCriticalSectionLock hold(left.lock);
  return left.items;
}

bool IsKeptForSafety(const FileId& id) {
  RunLeftovers& left = Left();
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

namespace {
// Remembers what a removal left, and what became of it when a later removal of the same went through.
void Remember(const std::wstring& what, RemovalResult result, DWORD error) {
  const bool left = result != RemovalResult::Removed && result != RemovalResult::Missing;
  RunLeftovers& all = Left();
  CCriticalSectionLock hold(all.lock);
  const auto known = all.byRemovalsIndex.find(what);
  if (known != all.byRemovalsIndex.end()) {
    all.byRemovals[known->second] = LeftByRemoval{what, result, error};
  } else if (left) {
    all.byRemovalsIndex[what] = all.byRemovals.size();
    all.byRemovals.push_back(LeftByRemoval{what, result, error});
  }
}
}  // namespace

void ReportRemoval(const std::string& what, RemovalResult result, DWORD error) {
  Remember(WideFromAnsi(what), result, error);
  if (IRunReport* report = g_report.load()) report->Removal(what, result);
}

void ReportRemovalCode(const std::string& what, DWORD code) { ReportRemoval(what, ResultOfError(code), code); }

bool IsReportListened() { return g_report.load() != nullptr; }

void ReportRemoval(const std::wstring& path, RemovalResult result, DWORD error) {
  Remember(path, result, error);
  if (IRunReport* report = g_report.load()) report->Removal(AnsiFromWide(path), result);
}

std::vector<LeftByRemoval> WhatRemovalsLeft() {
  RunLeftovers& left = Left();
  CCriticalSectionLock hold(left.lock);
  std::vector<LeftByRemoval> still;
  for (const LeftByRemoval& item : left.byRemovals)
    if (item.result != RemovalResult::Removed && item.result != RemovalResult::Missing) still.push_back(item);
  return still;
}

void ReportProgram(const std::string& commandLine, bool started) {
  if (IRunReport* report = g_report.load()) report->Program(commandLine, started);
}

bool AnyFileKeptForSafety() {
  RunLeftovers& left = Left();
  CCriticalSectionLock hold(left.lock);
  return !left.kept.empty();
}
