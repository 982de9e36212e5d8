#include "cleanup/steps/com_unregister.h"

#include <mbstring.h>
#include <ole2.h>

#include <cstdio>

#include "cleanup/steps/com_list_file.h"
#include "cleanup/steps/com_skip_rules.h"
#include "cleanup/report/run_report.h"
#include "cleanup/steps/setup_values.h"
#include "framework/capabilities.h"
#include "framework/handles.h"
#include "framework/sync.h"
#include "framework/system_folder.h"
#include "framework/system_library.h"

namespace {

constexpr const char kListFileName[] = "reg.ini";
// A list names a few files; anything past this is not read.
constexpr DWORD kListFileMaxBytes = 0x100000;

using DllUnregisterServerFn = HRESULT(STDAPICALLTYPE*)();

// The list file's lines from its open handle (nobody may write it meanwhile).
std::vector<std::string> ReadListFile(HANDLE file) {
  std::vector<char> data;
  char chunk[4096];
  DWORD read = 0;
  while (data.size() < kListFileMaxBytes && ::ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0)
    data.insert(data.end(), chunk, chunk + read);
  if (data.size() > kListFileMaxBytes) data.resize(kListFileMaxBytes);
  return SplitListFileLines(data.data(), data.size());
}

// The steps of a listed name: "\" and "/" separate them (in UTF-16, where no double-byte
// character can hide a separator).
std::vector<std::wstring> ListedSteps(const std::string& name) {
  std::vector<std::wstring> steps(1);
  for (wchar_t c : WideFromAnsi(name)) {
    if (c == L'\\' || c == L'/')
      steps.emplace_back();
    else
      steps.back() += c;
  }
  return steps;
}

// Follows the names of a list in order; the first one that cannot be found ends it.
void CollectListedNames(CApprovedTree& tree, const std::vector<std::wstring>& folderSteps,
                        const std::vector<std::string>& names, std::vector<TreeEntry>& list, const char* listFileName) {
  for (const std::string& name : names) {
    if (!IsListedNameInsideFolder(name)) return;
    // Every step but the last names a plain folder; the last may hold a wildcard, which yields its
    // first match only.
    const std::vector<std::wstring> steps = ListedSteps(name);
    std::vector<std::wstring> at = folderSteps;
    TreeEntry entry;
    for (size_t i = 0; i < steps.size(); ++i) {
      if (!tree.FindInside(at, steps[i], entry)) return;
      if (i + 1 < steps.size() && (!entry.IsFolder() || entry.IsLink())) return;
      at = entry.steps;
    }
    if (entry.IsLink()) continue;  // never searched, nor judged by where it leads
    if (entry.IsFolder())
      CollectFileList(tree, entry.steps, list, listFileName, TRUE);
    else
      list.push_back(entry);
  }
}

void CollectWholeFolder(CApprovedTree& tree, const std::vector<std::wstring>& folderSteps,
                        std::vector<TreeEntry>& list, const char* listFileName) {
  std::vector<TreeEntry> entries;
  tree.ListInside(folderSteps, entries);
  for (const TreeEntry& entry : entries) {
    if (entry.IsLink()) continue;  // never searched for servers
    if (entry.IsFolder())
      CollectFileList(tree, entry.steps, list, listFileName, TRUE);
    else
      list.push_back(entry);
  }
}

bool IsLogModeOn() {
  const std::string mode = ReadSetupValue("LogMode", kLogModeKey);
  return _mbsicmp(reinterpret_cast<const unsigned char*>(mode.c_str()),
                  reinterpret_cast<const unsigned char*>("TRUE")) == 0;
}

FILE* OpenLogForAppend(const std::string& path) {
  // The size as the folder lists it (GetFileAttributesEx is missing on Windows 95).
  WIN32_FIND_DATAA info = {};
  const bool exists = ScopedFindHandle(::FindFirstFileA(path.c_str(), &info)).IsValid();
  if (exists && (info.nFileSizeHigh != 0 || info.nFileSizeLow > kRegisterLogMaxBytes)) {
    if (FILE* emptied = std::fopen(path.c_str(), "w")) return emptied;
  }
  return std::fopen(path.c_str(), "a+");
}

std::string FormatLogLine(const std::string& text) {
  if (text == "\n") return text;
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  char stamp[32];
  std::snprintf(stamp, sizeof(stamp), "%04d-%02d-%02d %02d:%02d:%02d\t---\t", now.wYear,
                now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
  return stamp + text + "\n";
}

}  // namespace

void UnregisterComServers(CApprovedTree& tree) {
  if (!tree.IsOpen()) return;
  std::vector<TreeEntry> files;
  CollectFileList(tree, std::vector<std::wstring>(), files, kListFileName, TRUE);
  for (const TreeEntry& file : files) {
    const std::string text = tree.TextOf(file);
    if (!ShouldUnregisterComServer(text)) continue;
    // Only the file that was listed (a link the listing showed as a file opens elsewhere), and
    // nothing that others could have changed, is loaded with these rights.
    // It is judged and loaded through the handles the walk holds, never opened again by its path.
    const COpenFolder* folder = tree.FolderOf(file);
    if (!folder) {
      ReportRemoval(text, RemovalResult::Changed);
      continue;
    }
    JudgedUse load;
    load.listed = file.id;
    const CJudgedFile server = CJudgedFile::Adopt([&] { return folder->OpenFileToRead(file.AsListed()); },
                                                  tree.WidePathOf(file), tree.HeldWayTo(file), load);
    if (!server.Exists()) ReportRemoval(text, RemovalResult::Changed);
    if (server.Usable()) UnregisterComServer(server);
  }
}

void CollectFileList(CApprovedTree& tree, const std::vector<std::wstring>& folderSteps, std::vector<TreeEntry>& list,
                     const char* listFileName, BOOL useList) {
  if (useList && listFileName) {
    TreeEntry listFile;
    if (tree.FindInside(folderSteps, WideFromAnsi(listFileName), listFile) && !listFile.IsDirectory() &&
        !listFile.IsLink()) {
      const ScopedHandle opened = tree.OpenToRead(listFile);
      if (opened.IsValid()) {
        CollectListedNames(tree, folderSteps, ReadListFile(opened.Get()), list, listFileName);
        return;
      }
    }
  }
  CollectWholeFolder(tree, folderSteps, list, listFileName);
}

BOOL UnregisterComServer(const CJudgedFile& server) {
  const std::string text = server.Text();
  WriteRegisterErrorLog("Start Unregister: " + text);
  if (FAILED(::OleInitialize(nullptr))) {
    WriteRegisterErrorLog("OleInit Fail: " + text);
    return FALSE;
  }
  BOOL unregistered = FALSE;
  {
    const ScopedLibrary library = server.Load();
    if (!library.Get()) {
      WriteRegisterErrorLog("LoadLibrary Fail: " + text);
    } else if (FARPROC entry = ::GetProcAddress(library.Get(), "DllUnregisterServer")) {
      const HRESULT result = reinterpret_cast<DllUnregisterServerFn>(reinterpret_cast<void*>(entry))();
      unregistered = SUCCEEDED(result);
      WriteRegisterErrorLog((unregistered ? "DllUnregister Success: " : "DllUnregister Fail: ") + text);
    } else {
      WriteRegisterErrorLog("GetProcAddress Fail: " + text);
    }
  }
  ::OleUninitialize();
  WriteRegisterErrorLog("\n");
  return unregistered;
}

void WriteRegisterErrorLog(const std::string& text) {
  if (!IsLogModeOn()) return;
  ScopedHandle mutex(::CreateMutexA(nullptr, FALSE, kRegisterLogMutex));
  if (!mutex.IsValid()) return;
  // An abandoned mutex is owned all the same: its last holder died, the log is ours now. A holder
  // that keeps it longer than the bound costs this one line, never the uninstall.
  const CMutexOwnership owned(mutex.Get(), kRegisterLogMutexWaitMs);
  if (!owned.Held()) return;

  const std::string line = FormatLogLine(text);
  if (FILE* log = OpenLogForAppend(RegisterLogPath())) {
    std::fprintf(log, "%s", line.c_str());
    std::fclose(log);
  }
}

std::string RegisterLogPath() { return AnsiFromWide(SystemFolder()) + "\\RegisterError.log"; }
