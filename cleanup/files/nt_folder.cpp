#include "cleanup/files/nt_folder.h"

#include <vector>

#include "cleanup/report/run_report.h"
#include "framework/capabilities.h"
#include "framework/file_facts.h"
#include "framework/native_files.h"

namespace {

using namespace nt;

constexpr DWORD kResetAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Listing, entering, and reading its security (the judgement of what a walk found reads it there).
constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL;

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

// The system's error for a native status, the ones a removal tells apart kept apart.
DWORD ErrorOf(LONG status) {
  switch (status) {
    case kStatusNoSuchFile: return ERROR_FILE_NOT_FOUND;
    case kStatusDeletePending: return ERROR_DELETE_PENDING;
    case kStatusCannotDelete: return ERROR_ACCESS_DENIED;
    case kStatusDirectoryNotEmpty: return ERROR_DIR_NOT_EMPTY;
    default: return Calls().statusToError(status);
  }
}

// The result of a removal's status, its error kept as the last error for the run's account.
RemovalResult ResultOf(LONG status) {
  const DWORD error = ErrorOf(status);
  ::SetLastError(error);
  return ResultOfError(error);
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

// Marks a read-only file for deletion without changing its attributes (FILE_DISPOSITION_INFORMATION_EX
// with FILE_DISPOSITION_DELETE and FILE_DISPOSITION_IGNORE_READONLY_ATTRIBUTE, Windows 10 1809 on);
// an error where the system does not know it.
LONG MarkForDeletionAsItIs(HANDLE handle) {
  constexpr FILE_INFORMATION_CLASS kFileDispositionInformationEx = static_cast<FILE_INFORMATION_CLASS>(64);
  struct {
    ULONG flags;
  } disposition = {0x00000001 | 0x00000010};
  IO_STATUS_BLOCK io = {};
  return Calls().setInformation(handle, &io, &disposition, sizeof(disposition), kFileDispositionInformationEx);
}

LONG MarkForDeletion(HANDLE handle) {
  struct {
    BOOLEAN deleteFile;
  } disposition = {TRUE};
  IO_STATUS_BLOCK io = {};
  return Calls().setInformation(handle, &io, &disposition, sizeof(disposition), kFileDispositionInformation);
}

// A name that names one entry of a folder: no step separator, wildcard, "." or "..".
bool IsSingleName(const std::wstring& name) {
  return !name.empty() && name.find_first_of(L"\\/:*?\"<>|") == std::wstring::npos && !IsDotEntry(name);
}

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

}  // namespace

std::unique_ptr<COpenFolder> CNtFolder::Open(const std::wstring& path, bool pinned) {
  // Entries are joined to the path with "\"; a drive root itself is opened as "X:\".
  const std::wstring opened = path.size() == 2 && path[1] == L':' ? path + L"\\" : path;
  // The listing's own view of the last step: under Wine a link opens as its target whatever the
  // flags, and only its attributes tell.
  const DWORD attributes = ::GetFileAttributesW(opened.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return nullptr;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    ::SetLastError(ERROR_DIRECTORY);
    return nullptr;
  }
  const DWORD share = pinned ? FILE_SHARE_READ | FILE_SHARE_WRITE : kShareAll;
  ScopedHandle handle(::CreateFileW(opened.c_str(), kFolderAccess | SYNCHRONIZE, share, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  FileFacts facts;
  // Without its path on the volume nothing could tell its entries from what links lead to.
  if (!handle.IsValid() || !ReadFileFacts(handle.Get(), FactsWanted::All, facts)) return nullptr;
  if (!(facts.attributes & FILE_ATTRIBUTE_DIRECTORY) || (facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    ::SetLastError(ERROR_DIRECTORY);
    return nullptr;
  }
  return std::unique_ptr<COpenFolder>(new CNtFolder(path, std::move(handle), std::move(facts)));
}

std::wstring CNtFolder::VolumePathOfEntry(const std::wstring& name) const {
  // The root's path ends in its separator already.
  const std::wstring& own = m_facts.volumePath;
  return (!own.empty() && own.back() == L'\\' ? own : own + L"\\") + name;
}

bool CNtFolder::IsTheListedEntry(const FileFacts& child, const FolderEntry& entry) const {
  const bool itself = !(child.attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !entry.IsLink() &&
                      (!entry.id.Known() || !child.id.Known() || entry.id == child.id) &&
                      SameFileName(child.volumePath, VolumePathOfEntry(entry.name));
  if (!itself) ::SetLastError(kErrorStepNotInTree);
  return itself;
}

std::unique_ptr<COpenFolder> CNtFolder::OpenChild(const FolderEntry& entry, bool pinned) const {
  if (!entry.IsFolder() || !IsSingleName(entry.name)) {
    ::SetLastError(entry.IsLink() ? kErrorStepNotInTree : ERROR_DIRECTORY);
    return nullptr;
  }
  HANDLE opened = nullptr;
  const ULONG share = pinned ? FILE_SHARE_READ | FILE_SHARE_WRITE : kShareAll;
  if (!Succeeded(OpenRelative(m_handle.Get(), entry.name, kFolderAccess, share, FILE_DIRECTORY_FILE, opened)))
    return nullptr;
  ScopedHandle handle(opened);
  FileFacts facts;
  if (!ReadFileFacts(opened, FactsWanted::All, facts) || !IsTheListedEntry(facts, entry)) return nullptr;
  return std::unique_ptr<COpenFolder>(new CNtFolder(PathOf(entry.name), std::move(handle), std::move(facts)));
}

HANDLE CNtFolder::Reopen() const {
  HANDLE opened = nullptr;
  if (!Succeeded(OpenRelative(m_handle.Get(), std::wstring(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, kShareAll,
                              FILE_DIRECTORY_FILE, opened)))
    return nullptr;
  ScopedHandle again(opened);
  // Wine opens relative to a folder by the path it was opened with: once that folder is renamed
  // the path may lead elsewhere, and then the folder is refused rather than followed.
  FileFacts facts;
  if (!ReadFileFacts(opened, FactsWanted::IdentityAndAttributes, facts) || !(facts.id == m_facts.id)) {
    ::SetLastError(kErrorStepNotInTree);
    return nullptr;
  }
  return again.Detach();
}

FileId CNtFolder::IdOfChild(const std::wstring& name) const {
  HANDLE opened = nullptr;
  if (!Succeeded(OpenRelative(m_handle.Get(), name, FILE_READ_ATTRIBUTES, kShareAll, 0, opened))) return FileId{};
  const ScopedHandle child(opened);
  FileFacts facts;
  return ReadFileFacts(opened, FactsWanted::IdentityAndAttributes, facts) ? facts.id : FileId{};
}

bool CNtFolder::List(std::vector<FolderEntry>& entries) const {
  // The folder's own handle lists it, from the start each time: it is never asked for one name
  // (Find takes a handle of its own for that), so its listing is of every entry.
  std::vector<char> buffer(65536);
  FILE_INFORMATION_CLASS listingClass = ListingClass();
  const size_t firstOwn = entries.size();
  bool ended = false;
  for (bool first = true;;) {
    IO_STATUS_BLOCK io = {};
    const LONG status = Calls().queryDirectory(m_handle.Get(), nullptr, nullptr, nullptr, &io, buffer.data(),
                                               static_cast<ULONG>(buffer.size()), listingClass, FALSE, nullptr,
                                               first ? TRUE : FALSE);
    if (status == kStatusNoMoreFiles) {
      ended = true;
      break;
    }
    if (first && listingClass == kFileIdBothDirectoryInformation && RejectsTheClass(status)) {
      // This system or file system lists no ids: the rest of the run lists without them, and
      // this listing starts again.
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
    for (size_t i = firstOwn; i < entries.size(); ++i) entries[i].id = IdOfChild(entries[i].name);
  // Only the end of the listing ends it; any other error leaves the rest of the folder.
  if (!ended) ReportRemoval(Path(), RemovalResult::Failed);
  return ended;
}

bool CNtFolder::Find(const std::wstring& name, FolderEntry& entry) const {
  if (!IsSingleName(name)) {
    ::SetLastError(ERROR_INVALID_NAME);
    return false;
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
                                    listingClass, TRUE, &unicodeMask, TRUE);
    if (listingClass != kFileIdBothDirectoryInformation || !RejectsTheClass(status)) break;
    MarkMissing(Capability::FileIdListing);
    listingClass = ListingClass();
  }
  if (status == kStatusNoMoreFiles) {
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  if (!Succeeded(status)) return false;
  entry = ReadListed(buffer, listingClass).entry;
  if (listingClass != kFileIdBothDirectoryInformation) entry.id = IdOfChild(entry.name);
  return true;
}

RemovalResult CNtFolder::RemoveEntry(const FolderEntry& entry) const {
  if (!IsSingleName(entry.name)) return RemovalResult::Failed;
  const ACCESS_MASK access = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
  // A file alone first: when nobody else holds it, once marked it is gone as this handle closes.
  // (Folders are held by others as a matter of course, a current folder say, and one that is not
  // empty stays whoever holds it.)
  HANDLE opened = nullptr;
  const bool folder = entry.IsDirectory();
  bool sharedWithOthers = false;
  LONG status = OpenRelative(m_handle.Get(), entry.name, access, folder ? kShareAll : 0, 0, opened);
  if (status == kStatusSharingViolation && !folder) {
    // Someone holds it open. Where they share its deletion it can be marked, and it goes when they
    // close it; otherwise it is in use.
    sharedWithOthers = true;
    status = OpenRelative(m_handle.Get(), entry.name, access, kShareAll, 0, opened);
  }
  FileFacts facts;
  if (status < 0) {
    // In use: its attributes are reset all the same (they need no sharing), so a later try or the
    // restart finds it deletable.
    if (!entry.IsLink() && (entry.attributes & kResetAttributes) &&
        OpenRelative(m_handle.Get(), entry.name, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll, 0, opened) >= 0) {
      const ScopedHandle attributesOnly(opened);
      if (ReadFileFacts(opened, FactsWanted::All, facts) && (!entry.id.Known() || facts.id == entry.id) &&
          SameFileName(facts.volumePath, VolumePathOfEntry(entry.name)) && facts.links <= 1)
        ResetAttributes(opened);
    }
    return ResultOf(status);
  }
  const ScopedHandle target(opened);
  if (!ReadFileFacts(opened, FactsWanted::All, facts)) return RemovalResult::Failed;
  if (entry.id.Known() && !(facts.id == entry.id)) return RemovalResult::Changed;
  // What opened by the entry's name must be the entry, not what it leads to: a link the listing
  // did not show as one (Wine's links to files, a redirector's) opens as its target, and marking
  // that would delete the target. The system cannot remove such a link alone, so it stays; so does
  // a link the listing showed that opened as its target.
  if (!SameFileName(facts.volumePath, VolumePathOfEntry(entry.name)) ||
      (entry.IsLink() && !(facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT)))
    return RemovalResult::LinkKept;
  // The attributes belong to the object, not to the name: with another name (a hard link) they are
  // that other file's too, and stay as they are. Then only a system that deletes a read-only name
  // as it is (Windows 10 on) removes a read-only one.
  const bool ownAttributes = facts.links <= 1 && !entry.IsLink();
  if (ownAttributes && (facts.attributes & kResetAttributes)) ResetAttributes(opened);
  if (!ownAttributes && !entry.IsLink() && (facts.attributes & FILE_ATTRIBUTE_READONLY))
    // Nothing else would ever remove it either (the restart deletes no read-only file): left.
    return MarkForDeletionAsItIs(opened) >= 0 ? RemovalResult::Removed : RemovalResult::Failed;
  status = MarkForDeletion(opened);
  if (status == kStatusCannotDelete && ownAttributes) {
    // Made read-only since it was listed? Then it goes once that is reset; a loaded program or
    // library stays.
    if (ResetAttributes(opened) >= 0) status = MarkForDeletion(opened);
  }
  if (status < 0) return ResultOf(status);
  if (!sharedWithOthers) return RemovalResult::Removed;
  // Marked while another handle is open: it goes when that one closes, or is gone already.
  HANDLE again = nullptr;
  const LONG after = OpenRelative(m_handle.Get(), entry.name, FILE_READ_ATTRIBUTES, kShareAll, 0, again);
  if (after >= 0) ::CloseHandle(again);
  return ResultOf(after) == RemovalResult::Missing ? RemovalResult::Removed : RemovalResult::DeletePending;
}

std::wstring CNtFolder::RealPath() const {
  const std::wstring final = FinalPathOf(m_handle.Get());
  return final.empty() ? Path() : final;
}

ScopedHandle CNtFolder::OpenFileToRead(const FolderEntry& entry) const {
  if (entry.IsDirectory() || entry.IsLink() || !IsSingleName(entry.name)) return ScopedHandle();
  HANDLE opened = nullptr;
  if (!Succeeded(OpenRelative(m_handle.Get(), entry.name, FILE_READ_DATA | FILE_EXECUTE | FILE_READ_ATTRIBUTES | READ_CONTROL,
                              FILE_SHARE_READ, FILE_NON_DIRECTORY_FILE, opened)))
    return ScopedHandle();
  ScopedHandle file(opened);
  FileFacts facts;
  return ReadFileFacts(opened, FactsWanted::All, facts) && IsTheListedEntry(facts, entry) ? std::move(file) : ScopedHandle();
}
