#include "procedures/worker_steps.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "cleanup/file_identity.h"
#include "cleanup/file_ops.h"
#include "cleanup/folder_walk.h"
#include "cleanup/restart_queue.h"
#include "cleanup/run_report.h"
#include "cleanup/setup_info.h"
#include "framework/module_dir.h"
#include "framework/shell_folders.h"
#include "language/language_pack.h"
#include "language/mbcs.h"

namespace {
const char* const kShortcutValues[] = {"lnk1", "lnk2", "lnk3", "lnk4", "lnk6", "lnk7", "lnk8", "lnk9"};
const char kBrowserFolderName[] = "PavoBrowser";

bool IsBrowserPath(const std::string& path) { return path.find(kBrowserFolderName) != std::string::npos; }

bool IsOwnCompanion(const std::string& path, const std::string& moduleDir) {
  for (const char* name : {"Language.xml", "Uninstall.bin"})
    if (::lstrcmpiA(path.c_str(), (moduleDir + "\\" + name).c_str()) == 0) return true;
  return false;
}

// Reads one setup-information value into a 256-byte buffer (at most 255 bytes); empty on failure.
bool ReadInfo(const char* name, std::string& value) {
  char buffer[256] = {};
  if (!ReadSetupInfoValue(name, buffer, 255)) {
    value.clear();
    return false;
  }
  value = buffer;
  return true;
}
}  // namespace

SetupInfo ReadSetupInfo() {
  SetupInfo info;
  info.hasSetupPath = ReadInfo("SetupPath", info.setupPath);
  for (const char* name : kShortcutValues) {
    std::string path;
    ReadInfo(name, path);
    info.shortcuts.push_back(path);
  }
  return info;
}

ClientNames ClientNamesFromPack(CLanguagePack& pack) {
  return ClientNames{pack.GetDefine("PROGRAM_FILENAME"), pack.GetDefine("PROGRAME_ENG_NAME"),
                     pack.GetDefine("PROGRAM_CLIENT_NAME"), pack.GetDefine("PROGRAM_NAME")};
}

namespace {
// A file of folder named by a single step: a name with a separator could lead elsewhere.
bool HoldsFileNamed(const std::string& folder, const std::string& name) {
  if (name.empty() || name.find_first_of("\\/:") != std::string::npos || name == "." || name == "..") return false;
  const DWORD attributes = ::GetFileAttributesA((folder + "\\" + name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether folder shows that it is the client's: it holds this very uninstaller, the client's
// main program or the language pack "Language.xml".
bool ShowsItIsTheClients(const std::string& folder, CLanguagePack& pack) {
  char self[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    const std::string own = self;
    const FileId ownId = IdentityOfPath(own);
    if (ownId.Known() && IdentityOfPath(folder + own.substr(own.find_last_of('\\'))) == ownId) return true;
  }
  return HoldsFileNamed(folder, pack.GetDefine("PROGRAM_FILENAME")) ||
         HoldsFileNamed(folder, "Language.xml");
}
}  // namespace

std::string ClientsInstallFolder(const SetupInfo& info, CLanguagePack& pack, const CPathRule& rule) {
  if (!info.hasSetupPath) return std::string();
  const std::string folder = rule.Approve(info.setupPath);
  if (folder.empty() || ShowsItIsTheClients(folder, pack)) return folder;
  ReportRemoval(info.setupPath, RemovalResult::Refused);
  return std::string();
}

void DeleteMainProgram(const std::string& folder, CLanguagePack& pack, const CPathRule& rule) {
  const std::string path = rule.ApproveBelow(folder + "\\" + pack.GetDefine("PROGRAM_FILENAME"), folder);
  if (path.empty()) return;
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (ForceDeleteFile(path.c_str())) return;
    ::Sleep(500);
  }
  CRestartQueue::Instance().QueueFileInUse(path);
}

std::vector<std::string> DeleteFilesExceptBrowser(const std::vector<std::string>& files,
                                                  const std::string& folder, const CPathRule& rule) {
  const std::string moduleDir = ModuleDir();
  std::vector<std::string> companions;
  // Judged again now: a folder of the tree swapped for a link since the listing leads out of it.
  // Each file is then reached step by step from the folder's handle, so a swap after this
  // judgement is not followed either; the removal resets the attributes itself.
  CFolderChain tree(folder);
  for (const std::string& file : files) {
    if (IsBrowserPath(file)) continue;
    if (IsOwnCompanion(file, moduleDir)) {
      companions.push_back(file);
      continue;
    }
    const std::string approved = rule.ApproveBelow(file, folder);
    if (!approved.empty() && !ForceDeleteFileIn(tree, approved)) CRestartQueue::Instance().QueueFileInUse(approved);
  }
  return companions;
}

namespace {
// Whether a listed folder still lies below folder. A link is judged by the place of the link
// itself (what it leads to is never below the folder, and the link alone is what ForceRemoveDir
// removes): a name in its parent folder must stay below folder.
bool StaysBelow(const std::string& sub, const std::string& folder, const CPathRule& rule) {
  if (!IsLinkPath(sub)) return !rule.ApproveBelow(sub, folder).empty();
  const std::string parent = sub.substr(0, sub.find_last_of('\\'));
  if (rule.AllowsBelow(parent + "\\" + kBrowserFolderName, folder)) return true;
  ReportRemoval(sub, RemovalResult::Refused);
  return false;
}
}  // namespace

void RemoveFoldersExceptBrowser(const std::string& folder, const CPathRule& rule) {
  std::vector<std::string> folders;
  ListFoldersInTree(folder, folders);
  CFolderChain tree(folder);
  for (const std::string& sub : folders)
    if (!IsBrowserPath(sub) && StaysBelow(sub, folder, rule) && !ForceRemoveDirIn(tree, sub))
      CRestartQueue::Instance().QueueFolderOfQueuedItems(sub);
}

void DeleteSetupShortcuts(const SetupInfo& info, const CPathRule& rule) {
  for (const std::string& path : info.shortcuts) {
    const std::string approved = rule.ApproveShortcut(path);
    if (!approved.empty() && !ForceDeleteFile(approved.c_str())) CRestartQueue::Instance().QueueFileInUse(approved);
  }
}

void DeleteProgramShortcuts(std::initializer_list<int> folderIds, CLanguagePack& pack, const CPathRule& rule) {
  const std::string programName = pack.GetDefine("PROGRAM_NAME");
  for (int id : folderIds) DeleteProgramShortcut(id, programName, rule);
}

std::string ShortcutTitle(CLanguagePack& pack) {
  char title[256] = {};
  pack.GetText("uninstall", "other", "TEXT1", title, sizeof(title));
  return title;
}

namespace {
// Deletes a file below folder without telling the shell, when the rule allows it.
void DeleteQuietlyWhenAllowed(const std::string& path, const std::string& folder, const CPathRule& rule) {
  const std::string approved = rule.ApproveBelow(path, folder);
  if (approved.empty()) return;
  ::SetFileAttributesA(approved.c_str(), FILE_ATTRIBUTE_NORMAL);
  ReportRemovalOutcome(approved, ::DeleteFileA(approved.c_str()));
}
}  // namespace

void DeleteDesktopTitleShortcut(const std::string& title, const CPathRule& rule) {
  const std::string desktop = ShellFolderPath(CSIDL_DESKTOP);
  if (desktop.empty()) return;
  const std::string path = desktop + "\\" + title + ".lnk";
  DeleteQuietlyWhenAllowed(path, desktop, rule);
}

bool DeleteTitleShortcutBesideLnk2(const SetupInfo& info, const std::string& title, const CPathRule& rule) {
  std::string folder = info.Lnk2();
  std::replace(folder.begin(), folder.end(), '/', '\\');
  const size_t slash = MbFindLast(folder.c_str(), '\\');
  if (slash == static_cast<size_t>(-1)) return false;
  folder.resize(slash);
  const std::string path = folder + "\\" + title + ".lnk";
  DeleteQuietlyWhenAllowed(path, folder, rule);
  return true;
}

void RemoveLnk2Folder(const SetupInfo& info, const CPathRule& rule) {
  const size_t slash = MbFindLast(info.Lnk2().c_str(), '\\');
  if (slash == static_cast<size_t>(-1)) return;  // no folder: an empty path is never removed
  const std::string folder = rule.Approve(info.Lnk2().substr(0, slash));
  if (!folder.empty()) ForceRemoveDir(folder.c_str());
}
