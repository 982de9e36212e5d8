#include "cleanup/steps/protocol_removal.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "cleanup/steps/detector_report.h"
#include "cleanup/steps/file_ops.h"
#include "cleanup/trust/judged_file.h"
#include "cleanup/report/run_report.h"
#include "framework/handles.h"
#include "framework/wide_text.h"

namespace {

// The chosen removal command is run this many times in a row, nothing tested between runs.
constexpr int kRemovalRuns = 7;

// The command lines are built in buffers of these sizes.
constexpr size_t kCheckCommandSize = 512;
constexpr size_t kRemovalCommandSize = 256;

// The components asked about, in this order; the first one reported installed is removed.
constexpr const char* kCandidateComponents[] = {"Dorn_PPPoE", "PAVOPROTOCOL", "NETPROTOCOL"};
// Removed when none of the candidates is reported; never asked about.
constexpr const char kFallbackComponent[] = "ZR_PROTOCOL";

// Starts the tool with its arguments in the program's folder and waits until it ends, however long
// that takes. A tool that cannot be started, or that others could have changed, is not waited for.
void RunAndWaitForTool(const std::string& arguments, const std::wstring& programFolder) {
  // A tool that others could have changed is not run with these rights: every check then gives 0.
  // It is the program's own copy: nothing needs to stay for it.
  JudgedUse run;
  run.keptForALaterRun = false;
  const CJudgedFile tool = CJudgedFile::ForUse(ApprovedPath::Of(FixedFile::DetectorCopy).Wide(), run);
  if (tool.Exists() && !tool.Usable()) return;
  const ScopedHandle process = tool.Start(WideFromAnsi(arguments), programFolder, NORMAL_PRIORITY_CLASS);
  ReportProgram(std::string(kDetectorCopyPath) + " " + arguments, process.IsValid());
  if (process.IsValid()) ::WaitForSingleObject(process.Get(), INFINITE);
}

// What the tool's check reported.
enum class Report { Found, NotFound, LeftForSafety };

// Runs the check of one component and reads its report, through the handle it judged (the report
// decides which component is removed: one that others could have changed, or the tool itself, is
// not believed), then deletes it.
Report CheckComponent(const char* componentName, const std::wstring& programFolder) {
  if (!componentName) return Report::NotFound;
  char arguments[kCheckCommandSize];
  const int length = std::snprintf(arguments, sizeof(arguments), "-c%s -f%s", componentName, kDetectorReportPath);
  // A name that does not fit would start the tool with a cut-off command line.
  if (length < 0 || static_cast<size_t>(length) + sizeof(kDetectorCopyPath) >= sizeof(arguments)) return Report::NotFound;
  RunAndWaitForTool(arguments, programFolder);

  JudgedUse read;
  read.use = FileUse::Read;
  read.keptForALaterRun = false;
  read.consequence = "the client's protocol is not removed";
  std::string report;
  {
    const CJudgedFile file = CJudgedFile::ForUse(ApprovedPath::Of(FixedFile::DetectorReport).Wide(), read);
    if (!file.Exists()) return Report::NotFound;
    if (!file.Usable()) return Report::LeftForSafety;
    if (!file.Read(report, kDetectorReportWindow)) return Report::NotFound;
  }
  ForceDeleteFile(ApprovedPath::Of(FixedFile::DetectorReport));
  return DetectorReportSaysFound(report.data(), report.size()) ? Report::Found : Report::NotFound;
}

}  // namespace

int CheckProtocolInstalled(const char* componentName, const std::wstring& programFolder) {
  return CheckComponent(componentName, programFolder) == Report::Found ? 1 : 0;
}

void RemoveClientProtocol(const std::wstring& programFolder) {
  const char* component = kFallbackComponent;
  for (const char* candidate : kCandidateComponents) {
    const Report report = CheckComponent(candidate, programFolder);
    // A report that is not believed removes nothing: which component goes is not known.
    if (report == Report::LeftForSafety) return;
    if (report == Report::Found) {
      component = candidate;
      break;
    }
  }

  char arguments[kRemovalCommandSize];
  std::snprintf(arguments, sizeof(arguments), "-u%s", component);
  for (int run = 0; run < kRemovalRuns; ++run) RunAndWaitForTool(arguments, programFolder);
}
