#include "cleanup/file_identity.h"

#include <vector>

#include "framework/capabilities.h"
#include "framework/file_sharing.h"
#include "framework/native_files.h"
#include "framework/wide_text.h"

ScopedHandle OpenForIdentity(const std::string& path) {
  return OpenSharingAll(path, FILE_READ_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS);
}

ScopedHandle OpenForIdentity(const std::wstring& path) {
  if (!HasNtCalls()) {
    bool exact = false;
    const std::string text = AnsiFromWide(path, &exact);
    return exact ? OpenForIdentity(text) : ScopedHandle();
  }
  return ScopedHandle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool IdentityOf(HANDLE handle, FileId& id, DWORD* attributes) {
  if (HasNtCalls()) {
    // The file index and the attributes alone: GetFileInformationByHandle asks the volume for its
    // serial number as well, which costs more than both (under Wine several times more).
    LARGE_INTEGER index = {};
    IO_STATUS_BLOCK io = {};
    if (!nt::Succeeded(nt::Calls().queryInformation(handle, &io, &index, sizeof(index), nt::kFileInternalInformation)))
      return false;
    id = FileId{static_cast<DWORD>(index.HighPart), index.LowPart};
    if (attributes) {
      struct {
        LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime;
        ULONG fileAttributes;
      } basic = {};
      if (!nt::Succeeded(nt::Calls().queryInformation(handle, &io, &basic, sizeof(basic), nt::kFileBasicInformation)))
        return false;
      *attributes = basic.fileAttributes;
    }
    return id.Known();
  }
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!::GetFileInformationByHandle(handle, &info)) return false;
  id.high = info.nFileIndexHigh;
  id.low = info.nFileIndexLow;
  if (attributes) *attributes = info.dwFileAttributes;
  return id.Known();
}

FileId IdentityOfPath(const std::string& path) {
  FileId id;
  const ScopedHandle handle = OpenForIdentity(path);
  if (handle.IsValid()) IdentityOf(handle.Get(), id);
  return id;
}

std::wstring FinalPathOf(HANDLE handle) { return nt::FinalPathOf(handle); }
