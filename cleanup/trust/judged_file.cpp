#include "cleanup/trust/judged_file.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "cleanup/report/run_report.h"
#include "framework/file_facts.h"
#include "framework/file_holders.h"
#include "framework/file_names.h"
#include "framework/own_program.h"
#include "framework/native_files.h"
#include "framework/path_text.h"
#include "framework/system_folder.h"
#include "framework/system_library.h"
#include "framework/wide_text.h"

namespace {

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Opens the folders above path, each held against renaming and checked to be reached as itself,
// into way and owners. False, with the reason, when one cannot be.
bool HoldTheWay(const std::wstring& path, std::vector<HeldObject>& way, std::vector<ScopedHandle>& owners,
                std::string& why) {
  for (std::wstring folder = FolderAbove(path); !folder.empty(); folder = FolderAbove(folder)) {
    // Listing and traversing take part in sharing (reading attributes alone would not): so nobody
    // may open the folder to rename or delete it while this handle, which shares no deleting, is
    // open.
    ScopedHandle held = CreateFileNamed(folder, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (!held.IsValid()) {
      why = AnsiFromWide(folder) + ": it cannot be held against renaming";
      return false;
    }
    if (!nt::IsOpenedAs(held.Get(), folder)) {
      why = AnsiFromWide(folder) + ": it is reached through a link or a mapped drive, not as itself";
      return false;
    }
    way.push_back(HeldObject{folder, held.Get()});
    owners.push_back(std::move(held));
  }
  return true;
}

// Whether the module was loaded from the file object expected.
bool IsLoadedFrom(HMODULE module, const FileId& expected) {
  const std::wstring loaded = ModuleFileNamed(module);
  if (loaded.empty()) return false;
  const ScopedHandle file = OpenForIdentity(loaded);
  FileId id;
  return file.IsValid() && IdentityOf(file.Get(), id) && id == expected;
}

bool IsBatchFile(const std::wstring& path) {
  if (path.size() < 4) return false;
  const std::wstring tail = FoldedAscii(path.substr(path.size() - 4));
  return tail == L".bat" || tail == L".cmd";
}

}  // namespace

CJudgedFile CJudgedFile::Open(const std::wstring& named, FileUse use) {
  // The place this process reaches by that name (a 32-bit program on a 64-bit Windows reaches the
  // 32-bit system folder by the system folder's name): that is what must open, and what is used.
  const std::wstring path = ReachedPath(named);
  if (path.empty() || RootLength(path) == 0) {
    CJudgedFile file;
    file.m_path = path;
    file.m_verdict.reason = AnsiFromWide(path) + ": no place of its own";
    return file;
  }
  // Nobody may write, rename or delete it while it is held; loading and starting only read it.
  return Judged(
      [&] {
        return CreateFileNamed(path, FILE_READ_DATA | FILE_EXECUTE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE,
                               FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
      },
      path, std::vector<HeldObject>(), use);
}

CJudgedFile CJudgedFile::Judged(const std::function<ScopedHandle()>& open, const std::wstring& path,
                                const std::vector<HeldObject>& heldFolders, FileUse use) {
  CJudgedFile file;
  file.m_path = path;
  // Another program that holds it without sharing (a virus scanner for a moment, a user's reader)
  // keeps it from being held: in use, waited for as files in use are.
  DWORD error = ERROR_SUCCESS;
  for (const DWORD start = ::GetTickCount();;) {
    file.m_file = open();
    error = ::GetLastError();
    if (file.m_file.IsValid() || (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) ||
        ::GetTickCount() - start >= kHeldWaitMs)
      break;
    ::Sleep(kHeldPollMs);
  }
  file.m_exists = file.m_file.IsValid() || !IsMissing(error);
  if (!file.m_file.IsValid()) {
    file.m_inUse = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    if (file.m_inUse) {
      file.m_holders = ProgramsHolding(path);
      if (file.m_holders.empty()) file.m_holders = "another program";
    }
    file.m_verdict.reason = file.Text() + (file.m_inUse    ? ": in use by " + file.m_holders
                                           : file.m_exists ? ": it cannot be opened as itself"
                                                           : ": it is not there");
    return file;
  }
  if (!nt::TellsWhatHandlesReach()) {
    // Windows 95, 98 and Me: no links to lead elsewhere, no file security, and no file identity
    // worth comparing.
    file.m_verdict = TrustVerdict{};
    return file;
  }
  FileFacts facts;
  if (!ReadFileFacts(file.m_file.Get(), FactsWanted::All, facts) ||
      (heldFolders.empty() && !nt::IsOpenedAs(file.m_file.Get(), path))) {
    // What opened is another object, not this file of the client's: nothing of it is used or kept.
    file.m_verdict.reason = file.Text() + ": it is reached through a link or a mapped drive, not as itself";
    return file;
  }
  file.m_id = facts.id;
  // Another name of the object (a hard link) lies where others may have made it, and the object
  // behind both may be any file of the machine: what would run or be read is not the client's file.
  if (facts.links > 1) {
    file.m_verdict.reason = file.Text() + ": the file has another name too (a hard link), so it may be another file";
    return file;
  }
  std::vector<HeldObject> way = {HeldObject{path, file.m_file.Get()}};
  way.insert(way.end(), heldFolders.begin(), heldFolders.end());
  if (!HoldTheWay(heldFolders.empty() ? path : heldFolders.back().path, way, file.m_way, file.m_verdict.reason))
    return file;
  file.m_verdict = JudgeHeld(way, use);
  return file;
}

CJudgedFile CJudgedFile::Adopt(const std::function<ScopedHandle()>& open, const std::wstring& path,
                               const std::vector<HeldObject>& heldFolders, const JudgedUse& how) {
  CJudgedFile file = Judged(open, path, heldFolders, how.use);
  file.ReportWhyNotUsable(how);
  return file;
}

CJudgedFile CJudgedFile::ForUse(const std::wstring& path, const JudgedUse& how) {
  CJudgedFile file = Open(path, how.use);
  file.ReportWhyNotUsable(how);
  return file;
}

void CJudgedFile::ReportWhyNotUsable(const JudgedUse& how) {
  if (!m_exists) return;
  // A link the listing showed as a file opens as another object, or not as the entry at all.
  if (how.listed.Known() && ((m_id.Known() && !(m_id == how.listed)) || (!m_file.IsValid() && !m_inUse))) {
    m_changed = true;
    ReportRemoval(Text(), RemovalResult::Changed);
    return;
  }
  const std::string consequence = how.consequence.empty() ? "" : "; " + how.consequence;
  if (m_inUse)
    ReportCompanionInUse(Text(), "held by " + m_holders + consequence);
  else if (!IsTrusted())
    ReportLeftForSafety(Text(), Why() + consequence, how.keptForALaterRun ? Id() : FileId());
}

std::string CJudgedFile::Text() const { return AnsiFromWide(m_path); }

ScopedLibrary CJudgedFile::Load() const {
  if (!IsTrusted()) return ScopedLibrary();
  ScopedLibrary library(LoadLibraryFromItsFolder(m_path));
  if (library.Get() && m_id.Known() && !IsLoadedFrom(library.Get(), m_id)) library.Reset();
  return library;
}

ProgramLaunch CJudgedFile::LaunchOf(const std::wstring& arguments, const std::wstring& folder, DWORD flags) const {
  ProgramLaunch launch;
  // A batch file is run by the command interpreter, which the system finds itself.
  if (!IsBatchFile(m_path)) launch.application = m_path;
  // The path as the command line's first word: quoted where it holds a blank, and always for a
  // batch file, which the system reads from the command line itself.
  const bool quoted = launch.application.empty() || m_path.find(L' ') != std::wstring::npos;
  launch.commandLine = (quoted ? L"\"" + m_path + L"\"" : m_path) + (arguments.empty() ? L"" : L" " + arguments);
  launch.folder = folder;
  launch.flags = flags;
  return launch;
}

ScopedHandle CJudgedFile::Start(const std::wstring& arguments, const std::wstring& folder, DWORD flags) const {
  if (!IsTrusted()) return ScopedHandle();
  return StartProgram(LaunchOf(arguments, folder, flags));
}

bool CJudgedFile::StartTied(CTiedProgram& program, const std::wstring& arguments, const std::wstring& folder) const {
  return IsTrusted() && program.Start(LaunchOf(arguments, folder, NORMAL_PRIORITY_CLASS));
}

bool CJudgedFile::Read(std::string& bytes, size_t limit) const {
  bytes.clear();
  if (!IsTrusted() || ::SetFilePointer(m_file.Get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return false;
  char chunk[4096];
  while (bytes.size() < limit) {
    DWORD got = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<size_t>(sizeof(chunk), limit - bytes.size()));
    if (!::ReadFile(m_file.Get(), chunk, wanted, &got, nullptr)) return false;
    if (got == 0) break;
    bytes.append(chunk, got);
  }
  return true;
}

std::wstring CompanionPath(const wchar_t* name) {
  const std::wstring folder = OwnProgramFolder();
  return folder.empty() ? std::wstring() : folder + L"\\" + name;
}
