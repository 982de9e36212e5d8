// The folder route of Windows 95, 98 and Me: a folder worked by its path text, which is all these
// systems have (see cleanup/files/open_folder.h). They have no links and no file identities; names are
// text of the code page, so one without an exact form there names nothing.
#pragma once
#include <string>

#include "cleanup/files/open_folder.h"

class CTextFolder : public COpenFolder {
public:
  // The folder at path, when it is one.
  static std::unique_ptr<COpenFolder> Open(const std::wstring& path);

  std::unique_ptr<COpenFolder> OpenChild(const FolderEntry& entry, bool pinned) const override;
  bool List(std::vector<FolderEntry>& entries) const override;
  bool Find(const std::wstring& name, FolderEntry& entry) const override;
  // No links on these systems: the folder lies where its path says.
  std::wstring RealPath() const override { return Path(); }
  HANDLE Held() const override { return nullptr; }
  ScopedHandle OpenFileToRead(const FolderEntry& entry) const override;

private:
  RemovalResult RemoveEntry(const FolderEntry& entry) const override;
  CTextFolder(std::wstring path, std::string text) : COpenFolder(std::move(path)), m_text(std::move(text)) {}
  // The text of the entry called name; false when it has no exact form in the code page.
  bool TextOf(const std::wstring& name, std::string& text) const;

  std::string m_text;
};
