// The folder route of Windows NT: a folder worked through its open handle (see
// cleanup/files/open_folder.h), with the native calls of framework/native_files.h.
#pragma once
#include "cleanup/files/open_folder.h"

class CNtFolder : public COpenFolder {
public:
  // Opens the folder at path itself; null (last error set) when it is missing, no folder, or a link.
  static std::unique_ptr<COpenFolder> Open(const std::wstring& path, bool pinned);

  std::unique_ptr<COpenFolder> OpenChild(const FolderEntry& entry, bool pinned) const override;
  bool List(std::vector<FolderEntry>& entries) const override;
  bool Find(const std::wstring& name, FolderEntry& entry) const override;
  std::wstring RealPath() const override;
  HANDLE Held() const override { return m_handle.Get(); }
  ScopedHandle OpenFileToRead(const FolderEntry& entry) const override;

private:
  RemovalResult RemoveEntry(const FolderEntry& entry) const override;
  CNtFolder(std::wstring path, ScopedHandle handle, FileFacts facts)
      : COpenFolder(std::move(path)), m_handle(std::move(handle)), m_facts(std::move(facts)) {}

  // Whether an open child is the listed entry itself: the same object the listing named (its
  // identity), not a link, and no object a link led to (its path on the volume is this folder's
  // followed by the name). Last error set when not.
  bool IsTheListedEntry(const FileFacts& child, const FolderEntry& entry) const;
  std::wstring VolumePathOfEntry(const std::wstring& name) const;
  HANDLE Reopen() const;  // a fresh handle on the same folder, for one listing
  // The identity of the entry called name, from the entry opened (for listings without ids).
  FileId IdOfChild(const std::wstring& name) const;

  ScopedHandle m_handle;
  FileFacts m_facts;
};
