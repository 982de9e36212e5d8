#include "cleanup/folder_walk.h"

#include <winternl.h>

#include "framework/handles.h"

namespace {

using SetInformationFileFn = LONG(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);

// Marks an open file or folder for deletion when its handle closes.
bool MarkForDeletion(HANDLE handle) {
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  const auto setInformation = ntdll ? reinterpret_cast<SetInformationFileFn>(reinterpret_cast<void*>(
                                          ::GetProcAddress(ntdll, "NtSetInformationFile")))
                                    : nullptr;
  if (!setInformation) return false;
  struct {
    BOOLEAN deleteFile;
  } disposition = {TRUE};
  IO_STATUS_BLOCK status = {};
  return setInformation(handle, &status, &disposition, sizeof(disposition), FileDispositionInformation) >= 0;
}

}  // namespace

bool ForEachFolderEntry(const std::string& folder, const std::function<void(const FolderEntry&)>& visit) {
  // Opened right before the walk goes in, so a folder swapped for a link since it was listed is
  // not entered either.
  COpenFolder open;
  return open.Open(folder) && open.ForEachEntry(visit);
}

bool IsLinkPath(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool RemoveLinkOnly(const std::string& path) {
  ScopedHandle link(::CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!link.IsValid()) return false;
  BY_HANDLE_FILE_INFORMATION info = {};
  // A system that followed the link opened its target: that is never deleted.
  if (!::GetFileInformationByHandle(link.Get(), &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return false;
  return MarkForDeletion(link.Get());
}
