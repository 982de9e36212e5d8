#include "cleanup/open_folder.h"

#include <winternl.h>

#include <cstring>

#include "cleanup/folder_walk.h"
#include "cleanup/run_report.h"
#include "framework/capabilities.h"
#include "language/mbcs.h"

namespace {

// The native calls that work relative to an open folder. Windows 95, 98 and Me lack them.
struct NativeFileCalls {
  using CreateFileFn = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                    ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
  using QueryDirectoryFn = LONG(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                        FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING, BOOLEAN);
  using SetInformationFn = LONG(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
  using StatusToErrorFn = ULONG(NTAPI*)(LONG);

  CreateFileFn createFile = nullptr;
  QueryDirectoryFn queryDirectory = nullptr;
  SetInformationFn setInformation = nullptr;
  StatusToErrorFn statusToError = nullptr;

  NativeFileCalls() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!::GetVersionExA(&version) || version.dwPlatformId != VER_PLATFORM_WIN32_NT) return;
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    if (!ntdll) return;
    createFile = Load<CreateFileFn>(ntdll, "NtCreateFile");
    queryDirectory = Load<QueryDirectoryFn>(ntdll, "NtQueryDirectoryFile");
    setInformation = Load<SetInformationFn>(ntdll, "NtSetInformationFile");
    statusToError = Load<StatusToErrorFn>(ntdll, "RtlNtStatusToDosError");
  }
  bool Available() const { return createFile && queryDirectory && setInformation && statusToError; }

  template <typename Fn>
  static Fn Load(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
  }
};

const NativeFileCalls& Native() {
  static const NativeFileCalls calls;
  return calls;
}

constexpr LONG kStatusNoMoreFiles = static_cast<LONG>(0x80000006L);
constexpr FILE_INFORMATION_CLASS kFileBasicInformation = static_cast<FILE_INFORMATION_CLASS>(4);
constexpr FILE_INFORMATION_CLASS kFileDispositionInformation = static_cast<FILE_INFORMATION_CLASS>(13);
constexpr FILE_INFORMATION_CLASS kFileBothDirectoryInformation = static_cast<FILE_INFORMATION_CLASS>(3);
constexpr FILE_INFORMATION_CLASS kFileIdBothDirectoryInformation = static_cast<FILE_INFORMATION_CLASS>(37);
constexpr DWORD kResetAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The listing's entries: with file ids (Windows XP on), and without them (every Windows NT).
struct IdBothDirEntry {
  ULONG nextEntryOffset;
  ULONG fileIndex;
  LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime, endOfFile, allocationSize;
  ULONG fileAttributes;
  ULONG fileNameLength;
  ULONG eaSize;
  CCHAR shortNameLength;
  WCHAR shortName[12];
  LARGE_INTEGER fileId;
  WCHAR fileName[1];
};
struct BothDirEntry {
  ULONG nextEntryOffset;
  ULONG fileIndex;
  LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime, endOfFile, allocationSize;
  ULONG fileAttributes;
  ULONG fileNameLength;
  ULONG eaSize;
  CCHAR shortNameLength;
  WCHAR shortName[12];
  WCHAR fileName[1];
};

// One entry of either kind, as the walk needs it.
struct ListedEntry {
  const WCHAR* name;
  size_t nameLength;
  const WCHAR* shortName;
  size_t shortNameLength;
  ULONG attributes;
  FileId id;  // unknown for a listing without ids
  ULONG next;
};

template <typename Entry>
ListedEntry ReadListed(const Entry& entry, FileId id) {
  return ListedEntry{entry.fileName,
                     entry.fileNameLength / sizeof(WCHAR),
                     entry.shortName,
                     static_cast<size_t>(entry.shortNameLength) / sizeof(WCHAR),
                     entry.fileAttributes,
                     id,
                     entry.nextEntryOffset};
}

// The information class a listing asks for: with file ids unless the system or a file system
// rejected that once in this run.
FILE_INFORMATION_CLASS ListingClass() {
  return MayUse(Capability::FileIdListing) ? kFileIdBothDirectoryInformation : kFileBothDirectoryInformation;
}

ListedEntry ReadListed(const char* at, FILE_INFORMATION_CLASS listing) {
  if (listing == kFileIdBothDirectoryInformation) {
    const auto& entry = *reinterpret_cast<const IdBothDirEntry*>(at);
    return ReadListed(entry, FileId{static_cast<DWORD>(entry.fileId.HighPart), entry.fileId.LowPart});
  }
  return ReadListed(*reinterpret_cast<const BothDirEntry*>(at), FileId{});
}

// The answers of a system or file system that does not know an information class.
bool RejectsTheClass(LONG status) {
  constexpr LONG kStatusInvalidInfoClass = static_cast<LONG>(0xC0000003L);
  constexpr LONG kStatusInvalidParameter = static_cast<LONG>(0xC000000DL);
  constexpr LONG kStatusNotSupported = static_cast<LONG>(0xC00000BBL);
  return status == kStatusInvalidInfoClass || status == kStatusInvalidParameter || status == kStatusNotSupported;
}

struct BasicInformation {
  LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime;  // zero: unchanged
  ULONG fileAttributes;
};

// Clears the read-only, hidden and system attributes of an open file or folder.
bool ResetAttributes(HANDLE handle);

// Fails with the system's error for a native status, so callers read GetLastError as usual.
bool Succeeded(LONG status) {
  if (status >= 0) return true;
  ::SetLastError(Native().statusToError(status));
  return false;
}

bool ResetAttributes(HANDLE handle) {
  BasicInformation basic = {};
  basic.fileAttributes = FILE_ATTRIBUTE_NORMAL;
  IO_STATUS_BLOCK io = {};
  return Succeeded(Native().setInformation(handle, &io, &basic, sizeof(basic), kFileBasicInformation));
}

std::wstring Wide(const std::string& text) {
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (length > 0)
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string Narrow(const WCHAR* text, size_t length, bool& lossless) {
  BOOL usedDefault = FALSE;
  const int bytes = ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(bytes), '\0');
  if (bytes > 0)
    ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), &narrow[0], bytes, nullptr, &usedDefault);
  lossless = !usedDefault;
  return narrow;
}

// The listing's name for an entry in the system code page; where the long name has no such form,
// its short name, as the ANSI listing gives it.
std::string EntryName(const ListedEntry& entry) {
  bool lossless = true;
  std::string name = Narrow(entry.name, entry.nameLength, lossless);
  if (!lossless && entry.shortNameLength > 0) {
    bool shortLossless = true;
    std::string shortName = Narrow(entry.shortName, entry.shortNameLength, shortLossless);
    if (shortLossless) return shortName;
  }
  return name;
}

// A name that names one entry of a folder: no step separator, wildcard, "." or "..".
bool IsSingleName(const std::string& name) {
  return !name.empty() && name.find_first_of("\\/:*?\"<>|") == std::string::npos && !IsDotEntry(name.c_str());
}

// Opens name relative to the open folder root (an empty name: the folder itself), never
// following a link in it.
LONG OpenRelative(HANDLE root, const std::string& name, ACCESS_MASK access, ULONG share, ULONG options,
                  HANDLE& opened) {
  std::wstring wide = Wide(name);
  UNICODE_STRING text = {static_cast<USHORT>(wide.size() * sizeof(WCHAR)),
                         static_cast<USHORT>(wide.size() * sizeof(WCHAR)), wide.empty() ? nullptr : &wide[0]};
  OBJECT_ATTRIBUTES object;
  InitializeObjectAttributes(&object, &text, OBJ_CASE_INSENSITIVE, root, nullptr);
  IO_STATUS_BLOCK status = {};
  opened = nullptr;
  return Native().createFile(&opened, access | SYNCHRONIZE, &object, &status, nullptr, 0, share, FILE_OPEN,
                             options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT |
                                 FILE_OPEN_FOR_BACKUP_INTENT,
                             nullptr, 0);
}

constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;

bool Information(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info) {
  return ::GetFileInformationByHandle(handle, &info) != FALSE;
}

FileId IdOf(const BY_HANDLE_FILE_INFORMATION& info) { return FileId{info.nFileIndexHigh, info.nFileIndexLow}; }

// The path of the folder that holds path ("C:" for "C:\x"), and the entry's name in it.
bool SplitLastStep(const std::string& path, std::string& folder, std::string& name) {
  const size_t slash = MbFindLast(path.c_str(), '\\');
  if (slash == std::string::npos || slash == 0) return false;
  folder = path.substr(0, slash);
  name = path.substr(slash + 1);
  return IsSingleName(name);
}

}  // namespace

bool IsDotEntry(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

bool COpenFolder::ByHandle() { return Native().Available(); }

bool COpenFolder::Open(const std::string& path, bool pinned) {
  m_open = false;
  m_path = path;
  while (!m_path.empty() && m_path.back() == '\\') m_path.pop_back();
  // Entries are joined to m_path with "\"; a drive root itself is opened as "X:\".
  const std::string opened = m_path.size() == 2 && m_path[1] == ':' ? m_path + "\\" : m_path;
  // The listing's own view of the last step: under Wine a link opens as its target whatever the
  // flags, and only its attributes tell.
  const DWORD attributes = ::GetFileAttributesA(opened.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    ::SetLastError(ERROR_DIRECTORY);
    return false;
  }
  if (!ByHandle()) return m_open = true;
  const DWORD share = pinned ? FILE_SHARE_READ | FILE_SHARE_WRITE : kShareAll;
  m_handle.Reset(::CreateFileA(opened.c_str(), kFolderAccess | SYNCHRONIZE, share, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!m_handle.IsValid() || !Information(m_handle.Get(), info)) return false;
  if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    ::SetLastError(ERROR_DIRECTORY);
    return false;
  }
  m_volume = info.dwVolumeSerialNumber;
  m_id = IdOf(info);
  return m_open = true;
}

bool COpenFolder::OpenChild(const COpenFolder& parent, const std::string& name, bool pinned) {
  m_open = false;
  m_path = parent.m_path + "\\" + name;
  FolderEntry entry;
  if (!parent.FindEntry(name, entry)) return false;
  if (!entry.IsFolder()) {
    ::SetLastError(entry.IsLink() ? kErrorStepNotInTree : ERROR_DIRECTORY);
    return false;
  }
  if (!ByHandle()) return m_open = true;
  HANDLE opened = nullptr;
  const ULONG share = pinned ? FILE_SHARE_READ | FILE_SHARE_WRITE : kShareAll;
  if (!Succeeded(OpenRelative(parent.m_handle.Get(), name, kFolderAccess, share, FILE_DIRECTORY_FILE, opened)))
    return false;
  m_handle.Reset(opened);
  if (!parent.IsPlainChild(opened, entry)) return false;
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!Information(opened, info)) return false;
  m_id = IdOf(info);
  m_volume = parent.m_volume;
  return m_open = true;
}

bool COpenFolder::IsPlainChild(HANDLE child, const FolderEntry& entry) const {
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!Information(child, info)) return false;
  const FileId id = IdOf(info);
  const bool plain = !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !entry.IsLink() &&
                     info.dwVolumeSerialNumber == m_volume && (!entry.id.Known() || !id.Known() || entry.id == id);
  if (!plain) ::SetLastError(kErrorStepNotInTree);
  return plain;
}

HANDLE COpenFolder::Reopen() const {
  HANDLE opened = nullptr;
  if (!Succeeded(OpenRelative(m_handle.Get(), std::string(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, kShareAll,
                              FILE_DIRECTORY_FILE, opened)))
    return nullptr;
  ScopedHandle again(opened);
  // Wine opens relative to a folder by the path it was opened with: once that folder is renamed
  // the path may lead elsewhere, and then the folder is refused rather than followed.
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!Information(opened, info) || !(IdOf(info) == m_id)) {
    ::SetLastError(kErrorStepNotInTree);
    return nullptr;
  }
  return again.Detach();
}

bool COpenFolder::ForEachEntry(const std::function<void(const FolderEntry&)>& visit) const {
  if (!m_open) return false;
  std::vector<FolderEntry> entries;
  bool ended = false;
  if (!ByHandle()) {
    WIN32_FIND_DATAA found = {};
    ScopedFindHandle search(::FindFirstFileA((m_path + "\\*").c_str(), &found));
    if (!search.IsValid()) return false;
    do {
      if (!IsDotEntry(found.cFileName)) entries.push_back(FolderEntry{m_path + "\\" + found.cFileName, found.dwFileAttributes});
    } while (::FindNextFileA(search.Get(), &found));
    ended = ::GetLastError() == ERROR_NO_MORE_FILES;
  } else {
    ScopedHandle listing;
    std::vector<char> buffer(16384);
    FILE_INFORMATION_CLASS listingClass = ListingClass();
    for (bool first = true;;) {
      if (first) listing.Reset(Reopen());
      if (!listing.IsValid()) return false;
      IO_STATUS_BLOCK io = {};
      const LONG status = Native().queryDirectory(listing.Get(), nullptr, nullptr, nullptr, &io, buffer.data(),
                                                  static_cast<ULONG>(buffer.size()), listingClass, FALSE, nullptr,
                                                  first ? TRUE : FALSE);
      if (status == kStatusNoMoreFiles) {
        ended = true;
        break;
      }
      if (first && listingClass == kFileIdBothDirectoryInformation && RejectsTheClass(status)) {
        // This system or file system lists no ids: the rest of the run lists without them, and
        // this listing starts again on a fresh handle.
        MarkMissing(Capability::FileIdListing);
        listingClass = ListingClass();
        continue;
      }
      if (!Succeeded(status)) break;
      first = false;
      for (const char* at = buffer.data();;) {
        const ListedEntry found = ReadListed(at, listingClass);
        const std::string name = EntryName(found);
        if (!IsDotEntry(name.c_str())) entries.push_back(FolderEntry{m_path + "\\" + name, found.attributes, found.id});
        if (found.next == 0) break;
        at += found.next;
      }
    }
    // Without ids in the listing, each entry's identity is taken from the entry opened.
    if (listingClass != kFileIdBothDirectoryInformation)
      for (FolderEntry& entry : entries) entry.id = IdOfChild(entry.Name());
  }
  // Only the end of the listing ends it; any other error leaves the rest of the folder.
  if (!ended) ReportRemoval(m_path, RemovalResult::Failed);
  for (const FolderEntry& entry : entries) visit(entry);
  return ended;
}

bool COpenFolder::FindEntry(const std::string& name, FolderEntry& entry) const {
  if (!m_open || !IsSingleName(name)) {
    ::SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  if (!ByHandle()) {
    WIN32_FIND_DATAA found = {};
    ScopedFindHandle search(::FindFirstFileA((m_path + "\\" + name).c_str(), &found));
    if (!search.IsValid()) return false;
    entry = FolderEntry{m_path + "\\" + found.cFileName, found.dwFileAttributes};
    return true;
  }
  // A folder handle keeps the first name it was asked for, so each question takes a fresh one.
  std::wstring wide = Wide(name);
  UNICODE_STRING mask = {static_cast<USHORT>(wide.size() * sizeof(WCHAR)),
                         static_cast<USHORT>(wide.size() * sizeof(WCHAR)), &wide[0]};
  alignas(8) char buffer[1024];
  FILE_INFORMATION_CLASS listingClass = ListingClass();
  LONG status = 0;
  for (;;) {
    ScopedHandle listing(Reopen());
    if (!listing.IsValid()) return false;
    IO_STATUS_BLOCK io = {};
    status = Native().queryDirectory(listing.Get(), nullptr, nullptr, nullptr, &io, buffer, sizeof(buffer),
                                     listingClass, TRUE, &mask, TRUE);
    if (listingClass != kFileIdBothDirectoryInformation || !RejectsTheClass(status)) break;
    MarkMissing(Capability::FileIdListing);
    listingClass = ListingClass();
  }
  if (status == kStatusNoMoreFiles) {
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  if (!Succeeded(status)) return false;
  const ListedEntry found = ReadListed(buffer, listingClass);
  const std::string foundName = EntryName(found);
  entry = FolderEntry{m_path + "\\" + foundName, found.attributes, found.id};
  if (listingClass != kFileIdBothDirectoryInformation) entry.id = IdOfChild(foundName);
  return true;
}

FileId COpenFolder::IdOfChild(const std::string& name) const {
  HANDLE opened = nullptr;
  if (!Succeeded(OpenRelative(m_handle.Get(), name, FILE_READ_ATTRIBUTES, kShareAll, 0, opened))) return FileId{};
  const ScopedHandle child(opened);
  BY_HANDLE_FILE_INFORMATION info = {};
  return Information(opened, info) ? IdOf(info) : FileId{};
}

BOOL COpenFolder::RemoveEntry(const std::string& name, bool& wasLink) const {
  wasLink = false;
  FolderEntry entry;
  if (!FindEntry(name, entry)) return FALSE;
  wasLink = entry.IsLink();
  const std::string path = m_path + "\\" + name;
  if (!ByHandle()) {
    if (wasLink) return RemoveLinkOnly(path);
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) ? ::RemoveDirectoryA(path.c_str()) : ::DeleteFileA(path.c_str());
  }
  HANDLE opened = nullptr;
  const LONG openStatus = OpenRelative(m_handle.Get(), name, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                       kShareAll, 0, opened);
  if (!Succeeded(openStatus)) {
    // In use: its attributes are reset all the same (they need no sharing), so a later try or
    // the restart finds it deletable.
    const DWORD error = ::GetLastError();
    if (!wasLink && (entry.attributes & kResetAttributes) &&
        Succeeded(OpenRelative(m_handle.Get(), name, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll, 0,
                               opened))) {
      ScopedHandle attributesOnly(opened);
      if (IsPlainChild(opened, entry)) ResetAttributes(opened);
    }
    ::SetLastError(error);
    return FALSE;
  }
  ScopedHandle target(opened);
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!Information(opened, info)) return FALSE;
  const bool openedLink = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  wasLink = wasLink || openedLink;
  if (wasLink != openedLink || (!wasLink && !IsPlainChild(opened, entry))) {
    // A link the system opened as its target, or an entry swapped since it was listed: left.
    ::SetLastError(kErrorStepNotInTree);
    return FALSE;
  }
  if (!wasLink && (info.dwFileAttributes & kResetAttributes) && !ResetAttributes(opened)) return FALSE;
  IO_STATUS_BLOCK io = {};
  struct {
    BOOLEAN deleteFile;
  } disposition = {TRUE};
  if (!Succeeded(Native().setInformation(opened, &io, &disposition, sizeof(disposition), kFileDispositionInformation)))
    return FALSE;
  target.Close();
  // Gone only when the folder no longer lists it: under Wine a deletion inside a folder renamed
  // since it was opened is accepted and does nothing. (On Windows an entry still listed is held
  // open by someone else and goes when they close it; it is reported as left.)
  FolderEntry after;
  if (FindEntry(name, after) && (!after.id.Known() || after.id == IdOf(info))) {
    ::SetLastError(kErrorStepNotInTree);
    return FALSE;
  }
  return TRUE;
}

HANDLE COpenFolder::OpenFileToLoad(const std::string& name) const {
  FolderEntry entry;
  if (!FindEntry(name, entry) || (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) || entry.IsLink()) return nullptr;
  if (!ByHandle())
    return ::CreateFileA(entry.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE opened = nullptr;
  if (!Succeeded(OpenRelative(m_handle.Get(), name, FILE_READ_DATA | FILE_EXECUTE | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ, FILE_NON_DIRECTORY_FILE, opened)))
    return nullptr;
  ScopedHandle file(opened);
  return IsPlainChild(opened, entry) ? file.Detach() : nullptr;
}

CFolderChain::CFolderChain(const std::string& root, bool pinned) : m_root(root), m_pinned(pinned) {
  while (!m_root.empty() && m_root.back() == '\\') m_root.pop_back();
  auto folder = std::make_unique<COpenFolder>();
  if (folder->Open(m_root, pinned)) m_chain.push_back(std::move(folder));
}

const COpenFolder* CFolderChain::FolderOf(const std::string& path, std::string& name) {
  if (m_chain.empty() || path.size() <= m_root.size() + 1 || path[m_root.size()] != '\\' ||
      ::lstrcmpiA(path.substr(0, m_root.size()).c_str(), m_root.c_str()) != 0) {
    ::SetLastError(kErrorStepNotInTree);
    return nullptr;
  }
  // The steps below the root, split where a whole "\" stands (never a double-byte trail byte).
  std::vector<std::string> steps;
  const char* text = path.c_str() + m_root.size() + 1;
  std::string step;
  for (int length; (length = MbCharLenFast(text)) != 0; text += length) {
    if (length == 1 && *text == '\\') {
      steps.push_back(step);
      step.clear();
    } else {
      step.append(text, static_cast<size_t>(length));
    }
  }
  name = step;
  // Keep the folders the last entry shared with this one, then open the rest step by step.
  size_t kept = 0;
  while (kept < m_steps.size() && kept < steps.size() && ::lstrcmpiA(m_steps[kept].c_str(), steps[kept].c_str()) == 0)
    ++kept;
  m_chain.resize(kept + 1);
  m_steps.resize(kept);
  for (size_t i = kept; i < steps.size(); ++i) {
    auto folder = std::make_unique<COpenFolder>();
    if (!folder->OpenChild(*m_chain.back(), steps[i], m_pinned)) return nullptr;
    m_chain.push_back(std::move(folder));
    m_steps.push_back(steps[i]);
  }
  return m_chain.back().get();
}

BOOL RemoveByPath(const std::string& path, bool& wasLink) {
  wasLink = false;
  std::string folderPath, name;
  if (!SplitLastStep(path, folderPath, name)) {
    ::SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  COpenFolder folder;
  if (!folder.Open(folderPath)) return FALSE;
  return folder.RemoveEntry(name, wasLink);
}
