#include "cleanup/judged_file.h"

#include <algorithm>
#include <vector>

#include "cleanup/open_folder.h"
#include "framework/capabilities.h"
#include "framework/module_dir.h"
#include "framework/native_files.h"
#include "framework/system_folder.h"
#include "framework/system_library.h"
#include "framework/wide_text.h"

namespace {

// The length of a path's root: "C:\" or "\\host\share"; 0 when it has none.
size_t RootLength(const std::wstring& path) {
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return 3;
  if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\') {
    const size_t host = path.find(L'\\', 2);
    if (host == std::wstring::npos) return 0;
    const size_t share = path.find(L'\\', host + 1);
    return share == std::wstring::npos ? path.size() : share;
  }
  return 0;
}

// The folder that holds path ("C:\" for "C:\x"); empty for a root.
std::wstring FolderAbove(const std::wstring& path) {
  const size_t root = RootLength(path);
  const size_t slash = path.find_last_of(L'\\');
  if (root == 0 || path.size() <= root || slash == std::wstring::npos || slash + 1 < root) return std::wstring();
  return slash < root ? path.substr(0, root) : path.substr(0, slash);
}

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Opens the folders above path, each held against renaming and checked to be reached as itself,
// into way and owners. False, with the reason, when one cannot be.
bool HoldTheWay(const std::wstring& path, std::vector<HeldObject>& way, std::vector<ScopedHandle>& owners,
                std::string& why) {
  for (std::wstring folder = FolderAbove(path); !folder.empty(); folder = FolderAbove(folder)) {
    // Listing and traversing take part in sharing (reading attributes alone would not): so nobody
    // may open the folder to rename or delete it while this handle, which shares no deleting, is
    // open.
    ScopedHandle held(::CreateFileW(folder.c_str(),
                                    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
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
  wchar_t loaded[MAX_PATH] = {};
  char loadedText[MAX_PATH] = {};
  const bool wide = HasNtCalls();  // names are text on Windows 95, 98 and Me
  if (wide ? ::GetModuleFileNameW(module, loaded, MAX_PATH) == 0 : ::GetModuleFileNameA(module, loadedText, MAX_PATH) == 0)
    return false;
  loaded[MAX_PATH - 1] = L'\0';
  loadedText[MAX_PATH - 1] = '\0';
  const ScopedHandle file(wide ? OpenForIdentity(std::wstring(loaded)) : OpenForIdentity(std::string(loadedText)));
  FileId id;
  return file.IsValid() && IdentityOf(file.Get(), id) && id == expected;
}

bool IsBatchFile(const std::wstring& path) {
  if (path.size() < 4) return false;
  std::wstring tail = path.substr(path.size() - 4);
  for (wchar_t& c : tail)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return tail == L".bat" || tail == L".cmd";
}

}  // namespace

CJudgedFile CJudgedFile::Open(const std::wstring& named, FileUse use) {
  CJudgedFile file;
  // The place this process reaches by that name (a 32-bit program on a 64-bit Windows reaches the
  // 32-bit system folder by the system folder's name): that is what must open, and what is used.
  const std::wstring path = ReachedPath(named);
  file.m_path = path;
  if (path.empty() || RootLength(path) == 0) {
    file.m_verdict.reason = AnsiFromWide(path) + ": no place of its own";
    return file;
  }
  if (!HasNtCalls()) {
    // Windows 95, 98 and Me: names are text, and there is no file security.
    bool exact = false;
    const std::string text = AnsiFromWide(path, &exact);
    if (exact)
      file.m_file.Reset(::CreateFileA(text.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    file.m_exists = file.m_file.IsValid() || !IsMissing(::GetLastError());
    file.m_verdict = TrustVerdict{file.m_file.IsValid(), file.m_file.IsValid() ? "" : text + ": it cannot be opened"};
    return file;
  }
  // Nobody may write, rename or delete it while it is held; loading and starting only read it.
  file.m_file.Reset(::CreateFileW(path.c_str(), FILE_READ_DATA | FILE_EXECUTE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE,
                                  FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  const DWORD error = ::GetLastError();
  file.m_exists = file.m_file.IsValid() || !IsMissing(error);
  if (!file.m_file.IsValid()) {
    file.m_verdict.reason = file.Text() + (file.m_exists ? ": it cannot be held against changes" : ": it is not there");
    return file;
  }
  IdentityOf(file.m_file.Get(), file.m_id);
  if (!nt::IsOpenedAs(file.m_file.Get(), path)) {
    // What opened is another object, not this file of the client's: nothing of it is used or kept.
    file.m_id = FileId();
    file.m_verdict.reason = file.Text() + ": it is reached through a link or a mapped drive, not as itself";
    return file;
  }
  std::vector<HeldObject> way = {HeldObject{path, file.m_file.Get()}};
  if (!HoldTheWay(path, way, file.m_way, file.m_verdict.reason)) return file;
  file.m_verdict = JudgeHeld(way, use);
  return file;
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

bool CJudgedFile::CopyTo(const std::wstring& named) const {
  const std::wstring target = ReachedPath(named);
  constexpr size_t kLargestCompanion = 64u << 20;
  std::string bytes;
  if (!Read(bytes, kLargestCompanion)) return false;
  // What is there goes first, by the removal that never reaches through a link; a link it keeps
  // keeps the name taken, and nothing is written.
  bool exact = false;
  const std::string text = AnsiFromWide(target, &exact);
  if (!exact) return false;
  const size_t slash = target.find_last_of(L'\\');
  const std::unique_ptr<COpenFolder> folder =
      slash == std::wstring::npos ? nullptr : COpenFolder::Open(target.substr(0, slash));
  FolderEntry existing;
  if (!folder) return false;
  if (folder->Find(target.substr(slash + 1), existing) && folder->RemoveEntry(existing) != RemovalResult::Removed)
    return false;
  ScopedHandle copy(HasNtCalls() ? ::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr)
                                 : ::CreateFileA(text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return copy.IsValid() && ::WriteFile(copy.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

TrustVerdict JudgeWhoCanChange(const std::string& path) { return JudgeWhoCanChange(WideFromAnsi(path)); }

TrustVerdict JudgeWhoCanChange(const std::wstring& wide) {
  if (!HasNtCalls()) return TrustVerdict{};
  const std::string path = AnsiFromWide(wide);
  // A file or a folder, held as the judged file holds its way.
  const ScopedHandle object(::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!object.IsValid()) return TrustVerdict{false, path + ": it cannot be opened"};
  if (!nt::IsOpenedAs(object.Get(), wide))
    return TrustVerdict{false, path + ": it is reached through a link or a mapped drive, not as itself"};
  std::vector<HeldObject> way = {HeldObject{wide, object.Get()}};
  std::vector<ScopedHandle> owners;
  TrustVerdict verdict;
  if (!HoldTheWay(wide, way, owners, verdict.reason)) return TrustVerdict{false, verdict.reason};
  return JudgeHeld(way, FileUse::Run);
}

std::wstring CompanionPath(const wchar_t* name) {
  const std::wstring folder = ModuleFolderPath();
  return folder.empty() ? std::wstring() : folder + L"\\" + name;
}
