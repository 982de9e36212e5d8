#include "cleanup/files/open_folder.h"

#include "cleanup/files/nt_folder.h"
#include "cleanup/files/text_folder.h"
#include "framework/capabilities.h"
#include "framework/native_files.h"

bool IsDotEntry(const std::wstring& name) { return name == L"." || name == L".."; }

std::unique_ptr<COpenFolder> COpenFolder::Open(const std::wstring& path, bool pinned) {
  std::wstring folder = path;
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  if (folder.size() == 3 && folder[1] == L':') folder.pop_back();  // "X:": its entries join as "X:\name"
  if (UsesFolderHandles()) return CNtFolder::Open(folder, pinned);
  return CTextFolder::Open(folder);
}

bool UsesFolderHandles() {
  static const bool handles = nt::Calls().Available() && MayUse(Capability::FolderHandles);
  return handles;
}

namespace {
std::wstring Joined(const std::wstring& folder, const std::wstring& name) {
  return (!folder.empty() && folder.back() == L'\\' ? folder : folder + L"\\") + name;
}
}  // namespace

std::wstring COpenFolder::PathOf(const std::wstring& name) const { return Joined(m_path, name); }

std::wstring COpenFolder::RealPathOf(const std::wstring& name) const { return Joined(RealPath(), name); }
