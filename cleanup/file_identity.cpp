#include "cleanup/file_identity.h"

#include "framework/file_sharing.h"

namespace {
using GetFinalPathFn = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);

GetFinalPathFn FinalPathFunction() {
  static const GetFinalPathFn function = reinterpret_cast<GetFinalPathFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
  return function;
}
}  // namespace

ScopedHandle OpenForIdentity(const std::string& path) {
  return OpenSharingAll(path, FILE_READ_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS);
}

bool IdentityOf(HANDLE handle, FileId& id, DWORD* attributes) {
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

std::string FinalPathOf(HANDLE handle) {
  const GetFinalPathFn function = FinalPathFunction();
  if (!function) return std::string();
  char path[1024] = {};
  const DWORD length = function(handle, path, sizeof(path), 0 /* normalized, drive letter */);
  if (length == 0 || length >= sizeof(path)) return std::string();
  std::string text(path, length);
  if (text.compare(0, 8, "\\\\?\\UNC\\") == 0) return "\\\\" + text.substr(8);
  if (text.compare(0, 4, "\\\\?\\") == 0) return text.substr(4);
  return text;
}
