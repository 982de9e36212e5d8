#include "cleanup/open_folder.h"

#include <winternl.h>

#include <vector>

#include "framework/capabilities.h"
#include "framework/file_sharing.h"
#include "framework/native_files.h"
#include "framework/wide_text.h"
#include "language/mbcs.h"

namespace {

using namespace nt;

constexpr DWORD kResetAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The listing's entries: with file ids (Windows XP on, most file systems), and without them (every
// Windows NT).
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

// One listed entry of either kind, and where the next one starts (0: none).
struct ListedEntry {
  FolderEntry entry;
  ULONG next;
};

template <typename Entry>
ListedEntry ReadListed(const Entry& listed, FileId id) {
  return ListedEntry{FolderEntry{std::wstring(listed.fileName, listed.fileNameLength / sizeof(WCHAR)),
                                 listed.fileAttributes, id},
                     listed.nextEntryOffset};
}

ListedEntry ReadListed(const char* at, FILE_INFORMATION_CLASS listing) {
  if (listing == kFileIdBothDirectoryInformation) {
    const auto& listed = *reinterpret_cast<const IdBothDirEntry*>(at);
    return ReadListed(listed, FileId{static_cast<DWORD>(listed.fileId.HighPart), listed.fileId.LowPart});
  }
  return ReadListed(*reinterpret_cast<const BothDirEntry*>(at), FileId{});
}

// The information class a listing asks for: with file ids unless the system or a file system
// rejected that once in this run.
FILE_INFORMATION_CLASS ListingClass() {
  return MayUse(Capability::FileIdListing) ? kFileIdBothDirectoryInformation : kFileBothDirectoryInformation;
}

// The answers of a system or file system that does not know an information class.
bool RejectsTheClass(LONG status) {
  return status == kStatusInvalidInfoClass || status == kStatusInvalidParameter || status == kStatusNotSupported;
}

// What a failed open or removal leaves.
RemovalResult ResultOf(LONG status) {
  switch (status) {
    case kStatusObjectNameNotFound:
    case kStatusObjectPathNotFound:
    case kStatusNoSuchFile:
      return RemovalResult::Missing;
    case kStatusSharingViolation:
    case kStatusFileLockConflict:
    case kStatusCannotDelete:
    case kStatusAccessDenied:
      return RemovalResult::InUse;
    case kStatusDeletePending:
      return RemovalResult::DeletePending;
    case kStatusDirectoryNotEmpty:
      return RemovalResult::NotEmpty;
    default:
      return RemovalResult::Failed;
  }
}

struct BasicInformation {
  LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime;  // zero: unchanged
  ULONG fileAttributes;
};

// Clears the read-only, hidden and system attributes of an open file or folder.
LONG ResetAttributes(HANDLE handle) {
  BasicInformation basic = {};
  basic.fileAttributes = FILE_ATTRIBUTE_NORMAL;
  IO_STATUS_BLOCK io = {};
  return Calls().setInformation(handle, &io, &basic, sizeof(basic), kFileBasicInformation);
}

LONG MarkForDeletion(HANDLE handle) {
  struct {
    BOOLEAN deleteFile;
  } disposition = {TRUE};
  IO_STATUS_BLOCK io = {};
  return Calls().setInformation(handle, &io, &disposition, sizeof(disposition), kFileDispositionInformation);
}

// The file index of an open file or folder, in one question.
FileId IdOfHandle(HANDLE handle) {
  LARGE_INTEGER index = {};
  IO_STATUS_BLOCK io = {};
  if (Calls().queryInformation(handle, &io, &index, sizeof(index), kFileInternalInformation) < 0) return FileId{};
  return FileId{static_cast<DWORD>(index.HighPart), index.LowPart};
}

// A name that names one entry of a folder: no step separator, wildcard, "." or "..".
bool IsSingleName(const std::wstring& name) {
  return !name.empty() && name.find_first_of(L"\\/:*?\"<>|") == std::wstring::npos && !IsDotEntry(name);
}

constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;

// Opens name relative to the open folder root (an empty name: the folder itself), never
// following a link in it. A system without reparse points may refuse the option that says so:
// then there are no links to follow, and the rest of the run opens without it.
LONG OpenRelative(HANDLE root, const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG options,
                  HANDLE& opened) {
  std::wstring text = name;
  UNICODE_STRING unicode = {static_cast<USHORT>(text.size() * sizeof(WCHAR)),
                            static_cast<USHORT>(text.size() * sizeof(WCHAR)), text.empty() ? nullptr : &text[0]};
  OBJECT_ATTRIBUTES object;
  InitializeObjectAttributes(&object, &unicode, OBJ_CASE_INSENSITIVE, root, nullptr);
  for (;;) {
    IO_STATUS_BLOCK status = {};
    opened = nullptr;
    const bool noLinks = MayUse(Capability::OpenReparsePoint);
    const LONG result = Calls().createFile(
        &opened, access | SYNCHRONIZE, &object, &status, nullptr, 0, share, FILE_OPEN,
        options | (noLinks ? kOpenReparsePoint : 0) | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_FOR_BACKUP_INTENT,
        nullptr, 0);
    if (result != kStatusInvalidParameter || !noLinks) return result;
    MarkMissing(Capability::OpenReparsePoint);
  }
}

bool Information(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info) {
  return ::GetFileInformationByHandle(handle, &info) != FALSE;
}

FileId IdOf(const BY_HANDLE_FILE_INFORMATION& info) { return FileId{info.nFileIndexHigh, info.nFileIndexLow}; }

}  // namespace

bool IsDotEntry(const std::wstring& name) { return name == L"." || name == L".."; }

bool COpenFolder::ByHandle() { return Calls().Available(); }

std::string COpenFolder::PathOf(const std::wstring& name) const { return m_path + "\\" + AnsiFromWide(name); }

bool COpenFolder::Open(const std::string& path, bool pinned) {
  m_open = false;
  m_path = path;
  while (!m_path.empty() && m_path.back() == '\\') m_path.pop_back();
  m_widePath = WideFromAnsi(m_path);
  // Entries are joined to the path with "\"; a drive root itself is opened as "X:\".
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
  m_volumePath = VolumePathOf(m_handle.Get());
  if (m_volumePath.empty()) return false;  // nothing could tell its entries from what links lead to
  return m_open = true;
}

bool COpenFolder::OpenChild(const COpenFolder& parent, const std::wstring& name, bool pinned) {
  m_open = false;
  m_path = parent.PathOf(name);
  m_widePath = parent.WidePathOf(name);
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
  m_volumePath = parent.VolumePathOfEntry(name);
  return m_open = true;
}

std::wstring COpenFolder::VolumePathOfEntry(const std::wstring& name) const {
  // The root's path ends in its separator already.
  return (!m_volumePath.empty() && m_volumePath.back() == L'\\' ? m_volumePath : m_volumePath + L"\\") + name;
}

bool COpenFolder::IsTheEntryItself(HANDLE child, const std::wstring& name) const {
  return SameFileName(VolumePathOf(child), VolumePathOfEntry(name));
}

bool COpenFolder::IsPlainChild(HANDLE child, const FolderEntry& entry) const {
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!Information(child, info)) return false;
  const FileId id = IdOf(info);
  const bool plain = !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !entry.IsLink() &&
                     info.dwVolumeSerialNumber == m_volume && (!entry.id.Known() || !id.Known() || entry.id == id) &&
                     IsTheEntryItself(child, entry.name);
  if (!plain) ::SetLastError(kErrorStepNotInTree);
  return plain;
}

HANDLE COpenFolder::Reopen() const {
  HANDLE opened = nullptr;
  if (!Succeeded(OpenRelative(m_handle.Get(), std::wstring(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, kShareAll,
                              FILE_DIRECTORY_FILE, opened)))
    return nullptr;
  ScopedHandle again(opened);
  // Wine opens relative to a folder by the path it was opened with: once that folder is renamed
  // the path may lead elsewhere, and then the folder is refused rather than followed.
  if (!(IdOfHandle(opened) == m_id)) {
    ::SetLastError(kErrorStepNotInTree);
    return nullptr;
  }
  return again.Detach();
}

FileId COpenFolder::IdOfChild(const std::wstring& name) const {
  HANDLE opened = nullptr;
  if (!Succeeded(OpenRelative(m_handle.Get(), name, FILE_READ_ATTRIBUTES, kShareAll, 0, opened))) return FileId{};
  const ScopedHandle child(opened);
  return IdOfHandle(opened);
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
      const std::wstring name = WideFromAnsi(found.cFileName);
      if (!IsDotEntry(name)) entries.push_back(FolderEntry{name, found.dwFileAttributes, FileId{}});
    } while (::FindNextFileA(search.Get(), &found));
    ended = ::GetLastError() == ERROR_NO_MORE_FILES;
  } else {
    ScopedHandle listing;
    std::vector<char> buffer(65536);
    FILE_INFORMATION_CLASS listingClass = ListingClass();
    for (bool first = true;;) {
      if (first) listing.Reset(Reopen());
      if (!listing.IsValid()) return false;
      IO_STATUS_BLOCK io = {};
      const LONG status = Calls().queryDirectory(listing.Get(), nullptr, nullptr, nullptr, &io, buffer.data(),
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
        ListedEntry found = ReadListed(at, listingClass);
        if (!IsDotEntry(found.entry.name)) entries.push_back(std::move(found.entry));
        if (found.next == 0) break;
        at += found.next;
      }
    }
    // Without ids in the listing, each entry's identity is taken from the entry opened.
    if (listingClass != kFileIdBothDirectoryInformation)
      for (FolderEntry& entry : entries) entry.id = IdOfChild(entry.name);
  }
  // Only the end of the listing ends it; any other error leaves the rest of the folder.
  if (!ended) ReportRemoval(m_path, RemovalResult::Failed);
  for (const FolderEntry& entry : entries) visit(entry);
  return ended;
}

bool COpenFolder::FindEntry(const std::wstring& name, FolderEntry& entry, bool pattern) const {
  const bool valid = pattern ? !name.empty() && name.find_first_of(L"\\/:\"<>|") == std::wstring::npos && !IsDotEntry(name)
                             : IsSingleName(name);
  if (!m_open || !valid) {
    ::SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  if (!ByHandle()) {
    bool exact = false;
    const std::string narrow = AnsiFromWide(name, &exact);
    WIN32_FIND_DATAA found = {};
    ScopedFindHandle search(exact ? ::FindFirstFileA((m_path + "\\" + narrow).c_str(), &found) : INVALID_HANDLE_VALUE);
    if (!search.IsValid()) return false;
    while (IsDotEntry(WideFromAnsi(found.cFileName)))
      if (!::FindNextFileA(search.Get(), &found)) return false;
    entry = FolderEntry{WideFromAnsi(found.cFileName), found.dwFileAttributes, FileId{}};
    return true;
  }
  // A folder handle keeps the first name it was asked for, so each question takes a fresh one.
  std::wstring mask = name;
  UNICODE_STRING unicodeMask = {static_cast<USHORT>(mask.size() * sizeof(WCHAR)),
                                static_cast<USHORT>(mask.size() * sizeof(WCHAR)), &mask[0]};
  alignas(8) char buffer[4096];
  FILE_INFORMATION_CLASS listingClass = ListingClass();
  ScopedHandle listing;
  LONG status = 0;
  for (;;) {
    listing.Reset(Reopen());
    if (!listing.IsValid()) return false;
    IO_STATUS_BLOCK io = {};
    status = Calls().queryDirectory(listing.Get(), nullptr, nullptr, nullptr, &io, buffer, sizeof(buffer),
                                     listingClass, pattern ? FALSE : TRUE, &unicodeMask, TRUE);
    if (listingClass != kFileIdBothDirectoryInformation || !RejectsTheClass(status)) break;
    MarkMissing(Capability::FileIdListing);
    listingClass = ListingClass();
  }
  // A pattern may match "." and ".." first: the first other entry is the one.
  for (;;) {
    if (status == kStatusNoMoreFiles) {
      ::SetLastError(ERROR_FILE_NOT_FOUND);
      return false;
    }
    if (!Succeeded(status)) return false;
    for (const char* at = buffer;;) {
      ListedEntry found = ReadListed(at, listingClass);
      if (!IsDotEntry(found.entry.name)) {
        entry = std::move(found.entry);
        if (listingClass != kFileIdBothDirectoryInformation) entry.id = IdOfChild(entry.name);
        return true;
      }
      if (found.next == 0) break;
      at += found.next;
    }
    IO_STATUS_BLOCK io = {};
    status = Calls().queryDirectory(listing.Get(), nullptr, nullptr, nullptr, &io, buffer, sizeof(buffer),
                                     listingClass, FALSE, nullptr, FALSE);
  }
}

RemovalResult COpenFolder::RemoveByPathText(const FolderEntry& expected) const {
  bool exact = false;
  const std::string path = m_path + "\\" + AnsiFromWide(expected.name, &exact);
  if (!exact) return RemovalResult::Failed;
  BOOL removed = FALSE;
  if (expected.attributes & FILE_ATTRIBUTE_DIRECTORY) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    removed = ::RemoveDirectoryA(path.c_str());
  } else {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    removed = ::DeleteFileA(path.c_str());
  }
  if (removed) return RemovalResult::Removed;
  switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return RemovalResult::Missing;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ACCESS_DENIED:
      return RemovalResult::InUse;
    case ERROR_DIR_NOT_EMPTY:
      return RemovalResult::NotEmpty;
    default:
      return RemovalResult::Failed;
  }
}

RemovalResult COpenFolder::RemoveEntry(const FolderEntry& expected) const {
  if (!m_open || !IsSingleName(expected.name)) return RemovalResult::Failed;
  if (!ByHandle()) return RemoveByPathText(expected);
  const ACCESS_MASK access = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
  // A file alone first: when nobody else holds it, once marked it is gone as this handle closes.
  // (Folders are held by others as a matter of course, a current folder say, and one that is not
  // empty stays whoever holds it.)
  HANDLE opened = nullptr;
  const bool folder = (expected.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  bool sharedWithOthers = false;
  LONG status = OpenRelative(m_handle.Get(), expected.name, access, folder ? kShareAll : 0, 0, opened);
  if (status == kStatusSharingViolation && !folder) {
    // Someone holds it open. Where they share its deletion it can be marked, and it goes when they
    // close it; otherwise it is in use.
    sharedWithOthers = true;
    status = OpenRelative(m_handle.Get(), expected.name, access, kShareAll, 0, opened);
  }
  if (status < 0) {
    // In use: its attributes are reset all the same (they need no sharing), so a later try or the
    // restart finds it deletable.
    if (!expected.IsLink() && (expected.attributes & kResetAttributes) &&
        OpenRelative(m_handle.Get(), expected.name, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll, 0,
                     opened) >= 0) {
      const ScopedHandle attributesOnly(opened);
      if ((!expected.id.Known() || IdOfHandle(opened) == expected.id) && IsTheEntryItself(opened, expected.name))
        ResetAttributes(opened);
    }
    return ResultOf(status);
  }
  const ScopedHandle target(opened);
  if (expected.id.Known() && !(IdOfHandle(opened) == expected.id)) return RemovalResult::Changed;
  // What opened by the entry's name must be the entry, not what it leads to: a link the listing
  // did not show as one (Wine's links to files, a redirector's) opens as its target, and marking
  // that would delete the target. The system cannot remove such a link alone, so it stays.
  if (!IsTheEntryItself(opened, expected.name)) return RemovalResult::LinkKept;
  if (expected.IsLink()) {
    // A link the system opened as its target (Wine does) is never deleted: that would be the target.
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!Information(opened, info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return RemovalResult::LinkKept;
  } else if (expected.attributes & kResetAttributes) {
    ResetAttributes(opened);
  }
  status = MarkForDeletion(opened);
  if (status == kStatusCannotDelete && !expected.IsLink()) {
    // Made read-only since it was listed? Then it goes once that is reset; a loaded program or
    // library stays.
    if (ResetAttributes(opened) >= 0) status = MarkForDeletion(opened);
  }
  if (status < 0) return ResultOf(status);
  if (!sharedWithOthers) return RemovalResult::Removed;
  // Marked while another handle is open: it goes when that one closes, or is gone already.
  HANDLE again = nullptr;
  const LONG after = OpenRelative(m_handle.Get(), expected.name, FILE_READ_ATTRIBUTES, kShareAll, 0, again);
  if (after >= 0) ::CloseHandle(again);
  return ResultOf(after) == RemovalResult::Missing ? RemovalResult::Removed : RemovalResult::DeletePending;
}

ScopedHandle COpenFolder::OpenFileToLoad(const FolderEntry& expected) const {
  FolderEntry entry;
  if (!FindEntry(expected.name, entry) || (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) || entry.IsLink() ||
      (expected.id.Known() && entry.id.Known() && !(entry.id == expected.id)))
    return ScopedHandle();
  if (!ByHandle()) {
    bool exact = false;
    const std::string path = m_path + "\\" + AnsiFromWide(entry.name, &exact);
    if (!exact) return ScopedHandle();
    return ScopedHandle(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  }
  HANDLE opened = nullptr;
  if (!Succeeded(OpenRelative(m_handle.Get(), entry.name, FILE_READ_DATA | FILE_EXECUTE | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ, FILE_NON_DIRECTORY_FILE, opened)))
    return ScopedHandle();
  ScopedHandle file(opened);
  return IsPlainChild(opened, entry) ? std::move(file) : ScopedHandle();
}

RemovalResult RemoveByPath(const std::string& path, bool* wasLink) {
  if (wasLink) *wasLink = false;
  // The folder and the last step, split where a whole "\" stands (never a double-byte trail byte).
  const size_t slash = MbFindLast(path.c_str(), '\\');
  if (slash == std::string::npos || slash == 0 || slash + 1 >= path.size()) return RemovalResult::Failed;
  COpenFolder folder;
  if (!folder.Open(path.substr(0, slash))) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? RemovalResult::Missing
                                                                          : RemovalResult::Failed;
  }
  FolderEntry entry;
  if (!folder.FindEntry(WideFromAnsi(path.substr(slash + 1)), entry)) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? RemovalResult::Missing
                                                                          : RemovalResult::Failed;
  }
  if (wasLink) *wasLink = entry.IsLink();
  return folder.RemoveEntry(entry);
}
