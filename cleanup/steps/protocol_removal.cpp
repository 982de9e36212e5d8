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

// Reads the first bytes of the report (at most the window the reader looks at) into bytes.
// False when the report cannot be opened; bytes then stays empty.
bool ReadReportHead(std::string& bytes) {
  bytes.clear();
  ScopedHandle file(::CreateFileA(kDetectorReportPath, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  char buffer[kDetectorReportWindow] = {};
  DWORD read = 0;
  if (!::ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr)) read = 0;
  bytes.assign(buffer, read);
  return true;
}

}  // namespace

int CheckProtocolInstalled(const char* componentName, const std::wstring& programFolder) {
  if (!componentName) return 0;
  char arguments[kCheckCommandSize];
  const int length = std::snprintf(arguments, sizeof(arguments), "-c%s -f%s", componentName, kDetectorReportPath);
  // A name that does not fit would start the tool with a cut-off command line.
  if (length < 0 || static_cast<size_t>(length) + sizeof(kDetectorCopyPath) >= sizeof(arguments)) return 0;
  RunAndWaitForTool(arguments, programFolder);

  std::string report;
  if (!ReadReportHead(report)) return 0;
  ForceDeleteFile(ApprovedPath::Of(FixedFile::DetectorReport));
  return DetectorReportSaysFound(report.data(), report.size()) ? 1 : 0;
}

void RemoveClientProtocol(const std::wstring& programFolder) {
  const char* component = kFallbackComponent;
  for (const char* candidate : kCandidateComponents) {
    if (CheckProtocolInstalled(candidate, programFolder)) {
      component = candidate;
      break;
    }
  }

  char arguments[kRemovalCommandSize];
  std::snprintf(arguments, sizeof(arguments), "-u%s", component);
  for (int run = 0; run < kRemovalRuns; ++run) RunAndWaitForTool(arguments, programFolder);
}
