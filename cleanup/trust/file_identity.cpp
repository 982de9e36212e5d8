#include "cleanup/trust/file_identity.h"

#include <vector>

#include "framework/file_names.h"
#include "framework/file_sharing.h"
#include "framework/native_files.h"
#include "framework/wide_text.h"

ScopedHandle OpenForIdentity(const std::string& path) {
  return OpenSharingAll(path, FILE_READ_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS);
}

ScopedHandle OpenForIdentity(const std::wstring& path) {
  return CreateFileNamed(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS);
}

bool IdentityOf(HANDLE handle, FileId& id, DWORD* attributes) {
  FileFacts facts;
  if (!ReadFileFacts(handle, FactsWanted::IdentityAndAttributes, facts)) return false;
  id = facts.id;
  if (attributes) *attributes = facts.attributes;
  return id.Known();
}

namespace {
FileId IdentityOfOpened(const ScopedHandle& handle) {
  FileId id;
  if (handle.IsValid()) IdentityOf(handle.Get(), id);
  return id;
}
}  // namespace

FileId IdentityOfPath(const std::string& path) { return IdentityOfOpened(OpenForIdentity(path)); }

FileId IdentityOfPath(const std::wstring& path) { return IdentityOfOpened(OpenForIdentity(path)); }

std::wstring FinalPathOf(HANDLE handle) { return nt::FinalPathOf(handle); }
