#include "cleanup/files/text_folder.h"

#include "cleanup/report/run_report.h"
#include "framework/wide_text.h"

std::unique_ptr<COpenFolder> CTextFolder::Open(const std::wstring& path) {
  bool exact = false;
  std::string text = AnsiFromWide(path, &exact);
  if (!exact) {
    ::SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  const std::string opened = text.size() == 2 && text[1] == ':' ? text + "\\" : text;
  const DWORD attributes = ::GetFileAttributesA(opened.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return nullptr;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    ::SetLastError(ERROR_DIRECTORY);
    return nullptr;
  }
  return std::unique_ptr<COpenFolder>(new CTextFolder(path, std::move(text)));
}

bool CTextFolder::TextOf(const std::wstring& name, std::string& text) const {
  bool exact = false;
  text = m_text + (!m_text.empty() && m_text.back() == '\\' ? "" : "\\") + AnsiFromWide(name, &exact);
  return exact && !name.empty() && !IsDotEntry(name) && name.find_first_of(L"\\/:*?\"<>|") == std::wstring::npos;
}

std::unique_ptr<COpenFolder> CTextFolder::OpenChild(const FolderEntry& entry, bool) const {
  std::string text;
  if (!entry.IsFolder() || !TextOf(entry.name, text)) {
    ::SetLastError(ERROR_DIRECTORY);
    return nullptr;
  }
  return Open(PathOf(entry.name));
}

bool CTextFolder::List(std::vector<FolderEntry>& entries) const {
  WIN32_FIND_DATAA found = {};
  ScopedFindHandle search(::FindFirstFileA((m_text + (m_text.back() == '\\' ? "*" : "\\*")).c_str(), &found));
  if (!search.IsValid()) return false;
  do {
    const std::wstring name = WideFromAnsi(found.cFileName);
    if (!IsDotEntry(name)) entries.push_back(FolderEntry{name, found.dwFileAttributes, FileId{}});
  } while (::FindNextFileA(search.Get(), &found));
  // Only the end of the listing ends it; any other error leaves the rest of the folder.
  if (::GetLastError() == ERROR_NO_MORE_FILES) return true;
  ReportRemoval(Path(), RemovalResult::Failed);
  return false;
}

bool CTextFolder::Find(const std::wstring& name, FolderEntry& entry) const {
  std::string text;
  if (!TextOf(name, text)) {
    ::SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  WIN32_FIND_DATAA found = {};
  ScopedFindHandle search(::FindFirstFileA(text.c_str(), &found));
  if (!search.IsValid()) return false;
  entry = FolderEntry{WideFromAnsi(found.cFileName), found.dwFileAttributes, FileId{}};
  return true;
}

RemovalResult CTextFolder::RemoveEntry(const FolderEntry& entry) const {
  std::string text;
  if (!TextOf(entry.name, text)) return RemovalResult::Failed;
  // The attributes belong to the object: a file with another name (a hard link) keeps them, and a
  // read-only one stays.
  bool otherNames = false;
  if (!entry.IsDirectory()) {
    BY_HANDLE_FILE_INFORMATION information = {};
    const ScopedHandle file(::CreateFileA(text.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
    otherNames = file.IsValid() && ::GetFileInformationByHandle(file.Get(), &information) &&
                 information.nNumberOfLinks > 1;
  }
  if (otherNames && (entry.attributes & FILE_ATTRIBUTE_READONLY)) return RemovalResult::Failed;
  if (!otherNames) ::SetFileAttributesA(text.c_str(), FILE_ATTRIBUTE_NORMAL);
  const BOOL removed = entry.IsDirectory() ? ::RemoveDirectoryA(text.c_str()) : ::DeleteFileA(text.c_str());
  if (!removed) return ResultOfError(::GetLastError());
  // Still there: another program holds it, sharing its deletion, and it goes when that one lets go.
  return ::GetFileAttributesA(text.c_str()) == INVALID_FILE_ATTRIBUTES ? RemovalResult::Removed
                                                                       : RemovalResult::DeletePending;
}

ScopedHandle CTextFolder::OpenFileToRead(const FolderEntry& entry) const {
  std::string text;
  if (entry.IsDirectory() || !TextOf(entry.name, text)) return ScopedHandle();
  return ScopedHandle(::CreateFileA(text.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
}
