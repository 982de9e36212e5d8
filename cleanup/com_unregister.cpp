#include "cleanup/com_unregister.h"

#include <mbstring.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>

#include "cleanup/com_list_file.h"
#include "cleanup/com_skip_rules.h"
#include "cleanup/folder_walk.h"
#include "cleanup/run_report.h"
#include "cleanup/setup_values.h"
#include "framework/handles.h"
#include "framework/sync.h"

namespace {

constexpr const char kListFileName[] = "reg.ini";
// A list names a few files; anything past this is not read.
constexpr DWORD kListFileMaxBytes = 0x100000;

using DllUnregisterServerFn = HRESULT(STDAPICALLTYPE*)();

bool FileExists(const std::string& path) {
  WIN32_FIND_DATAA found = {};
  ScopedFindHandle search(::FindFirstFileA(path.c_str(), &found));
  return search.IsValid();
}

// The list file's lines, or false when it cannot be opened. Writers are kept out while reading.
bool ReadListFile(const std::string& path, std::vector<std::string>& lines) {
  ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  std::vector<char> data;
  char chunk[4096];
  DWORD read = 0;
  while (data.size() < kListFileMaxBytes &&
         ::ReadFile(file.Get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
    data.insert(data.end(), chunk, chunk + read);
  if (data.size() > kListFileMaxBytes) data.resize(kListFileMaxBytes);
  lines = SplitListFileLines(data.data(), data.size());
  return true;
}

// Follows the names of a list in order; the first one that cannot be found ends it.
void CollectListedNames(const std::string& folder, const std::vector<std::string>& names,
                        std::vector<std::string>& list, const char* listFileName, const CPathRule& rule) {
  for (const std::string& name : names) {
    if (!IsListedNameInsideFolder(name)) return;
    const std::string pattern = folder + "\\" + name;
    WIN32_FIND_DATAA found = {};
    ScopedFindHandle search(::FindFirstFileA(pattern.c_str(), &found));
    if (!search.IsValid()) return;
    // A wildcard name yields its first match only; "." and ".." would be the folder again.
    bool more = true;
    while (more && IsDotEntry(found.cFileName)) more = ::FindNextFileA(search.Get(), &found) != FALSE;
    if (!more) return;
    const FolderEntry entry{pattern.substr(0, pattern.find_last_of("\\/") + 1) + found.cFileName,
                            found.dwFileAttributes};
    // A link is never searched (nor judged by where it leads); a name that leads out of the
    // list's folder counts as not found.
    if (entry.IsLink()) continue;
    if (!rule.AllowsBelow(entry.path, folder)) return;
    if (entry.IsFolder())
      CollectFileList(entry.path, list, listFileName, TRUE, rule);
    else
      list.push_back(entry.path);
  }
}

void CollectWholeFolder(const std::string& folder, std::vector<std::string>& list, const char* listFileName,
                        const CPathRule& rule) {
  ForEachFolderEntry(folder, [&](const FolderEntry& entry) {
    if (entry.IsLink()) return;  // never searched for servers
    if (entry.IsFolder())
      CollectFileList(entry.path, list, listFileName, TRUE, rule);
    else
      list.push_back(entry.path);
  });
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

// Whether module was loaded from the file object expected.
bool IsLoadedFrom(HMODULE module, const FileId& expected) {
  char loaded[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(module, loaded, MAX_PATH);
  return length > 0 && length < MAX_PATH && IdentityOfPath(loaded) == expected;
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

void UnregisterComServers(const std::string& folder, const CPathRule& rule) {
  std::vector<std::string> files;
  CollectFileList(folder, files, kListFileName, TRUE, rule);
  // Each server is judged again right before it is loaded: only a file that still lies below the
  // folder, reached through no link, is run, and only while it is held open.
  CFolderChain tree(folder, true /* pinned */);
  for (const std::string& path : files) {
    if (!ShouldUnregisterComServer(path)) continue;
    const std::string approved = IsLinkPath(path) ? std::string() : rule.ApproveBelow(path, folder);
    if (approved.empty()) continue;
    std::string reached = path, name;
    std::replace(reached.begin(), reached.end(), '/', '\\');
    const COpenFolder* holder = tree.FolderOf(reached, name);
    ScopedHandle held(holder ? holder->OpenFileToLoad(name) : nullptr);
    FileId id;
    if (held.IsValid() && IdentityOf(held.Get(), id))
      UnregisterComServer(approved, &id);
    else
      ReportRemoval(path, RemovalResult::Refused);
  }
}

void CollectFileList(const std::string& folder, std::vector<std::string>& list,
                     const char* listFileName, BOOL useList, const CPathRule& rule) {
  if (folder.empty()) return;
  if (useList && listFileName) {
    const std::string listPath = folder + "\\" + listFileName;
    std::vector<std::string> names;
    if (FileExists(listPath) && ReadListFile(listPath, names)) {
      CollectListedNames(folder, names, list, listFileName, rule);
      return;
    }
  }
  CollectWholeFolder(folder, list, listFileName, rule);
}

BOOL UnregisterComServer(const std::string& path, const FileId* expected) {
  WriteRegisterErrorLog("Start Unregister: " + path);
  if (FAILED(::OleInitialize(nullptr))) {
    WriteRegisterErrorLog("OleInit Fail: " + path);
    return FALSE;
  }
  BOOL unregistered = FALSE;
  {
    // The server's own folder is searched for the libraries it depends on.
    ScopedLibrary server(::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (reinterpret_cast<UINT_PTR>(server.Get()) < 32 || (expected && !IsLoadedFrom(server.Get(), *expected))) {
      WriteRegisterErrorLog("LoadLibrary Fail: " + path);
    } else if (FARPROC entry = ::GetProcAddress(server.Get(), "DllUnregisterServer")) {
      const HRESULT result = reinterpret_cast<DllUnregisterServerFn>(reinterpret_cast<void*>(entry))();
      unregistered = SUCCEEDED(result);
      WriteRegisterErrorLog((unregistered ? "DllUnregister Success: " : "DllUnregister Fail: ") +
                            path);
    } else {
      WriteRegisterErrorLog("GetProcAddress Fail: " + path);
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

std::string RegisterLogPath() {
  char systemDir[256] = {};
  ::GetSystemDirectoryA(systemDir, sizeof(systemDir));
  return std::string(systemDir) + "\\RegisterError.log";
}
