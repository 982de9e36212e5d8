#include "cleanup/approved_tree.h"

#include "framework/wide_text.h"

namespace {

// Walks the folder depth-first, handing each entry found to visit with the steps down to it;
// folders that are not links are entered. False when a listing failed.
template <typename Visit>
bool Walk(const COpenFolder& folder, std::vector<std::wstring>& steps, Visit& visit) {
  bool complete = true;
  const bool listed = folder.ForEachEntry([&](const FolderEntry& found) {
    steps.push_back(found.name);
    TreeEntry entry{steps, found.id, found.attributes};
    visit.Before(entry);
    if (found.IsFolder()) {
      COpenFolder sub;
      if (sub.OpenChild(folder, found.name)) complete = Walk(sub, steps, visit) && complete;
    }
    visit.After(std::move(entry));
    steps.pop_back();
  });
  return listed && complete;
}

struct FileLister {
  std::vector<TreeEntry>& files;
  void Before(const TreeEntry& entry) {
    if (!entry.IsFolder()) files.push_back(entry);  // a link to a file is listed, and removed as a link
  }
  void After(TreeEntry&&) {}
};

struct FolderLister {
  std::vector<TreeEntry>& folders;
  void Before(const TreeEntry&) {}
  void After(TreeEntry&& entry) {
    if (entry.IsFolder()) folders.push_back(std::move(entry));  // after what it holds
  }
};

}  // namespace

CApprovedTree::CApprovedTree(const ApprovedPath& folder) : m_folderText(folder.Text()) {
  while (m_folderText.size() > 3 && m_folderText.back() == '\\') m_folderText.pop_back();
  if (!folder.IsApproved()) return;
  auto root = std::make_unique<COpenFolder>();
  if (root->Open(m_folderText, true)) m_chain.push_back(std::move(root));
}

bool CApprovedTree::ListFiles(std::vector<TreeEntry>& files) const {
  if (!IsOpen()) return false;
  std::vector<std::wstring> steps;
  FileLister lister{files};
  return Walk(*m_chain.front(), steps, lister);
}

bool CApprovedTree::ListFolders(std::vector<TreeEntry>& folders) const {
  if (!IsOpen()) return false;
  std::vector<std::wstring> steps;
  FolderLister lister{folders};
  return Walk(*m_chain.front(), steps, lister);
}

const COpenFolder* CApprovedTree::Reach(const std::vector<std::wstring>& steps, size_t count) {
  if (!IsOpen()) {
    ::SetLastError(ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
  // Keep the folders the last entry reached shared with this one, then open the rest step by step.
  size_t kept = 0;
  while (kept < m_steps.size() && kept < count && m_steps[kept] == steps[kept]) ++kept;
  m_chain.resize(kept + 1);
  m_steps.resize(kept);
  for (size_t i = kept; i < count; ++i) {
    auto folder = std::make_unique<COpenFolder>();
    if (!folder->OpenChild(*m_chain.back(), steps[i], true)) return nullptr;
    m_chain.push_back(std::move(folder));
    m_steps.push_back(steps[i]);
  }
  return m_chain.back().get();
}

const COpenFolder* CApprovedTree::FolderOf(const TreeEntry& entry) {
  if (entry.steps.empty()) {
    ::SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  return Reach(entry.steps, entry.steps.size() - 1);
}

RemovalResult CApprovedTree::Remove(const TreeEntry& entry) {
  // A folder is removed from its parent: the chain must not hold it open itself.
  const COpenFolder* folder = FolderOf(entry);
  if (!folder) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? RemovalResult::Missing
                                                                          : RemovalResult::Changed;
  }
  return folder->RemoveEntry(FolderEntry{entry.Name(), entry.attributes, entry.id});
}

ScopedHandle CApprovedTree::OpenToLoad(const TreeEntry& entry) {
  const COpenFolder* folder = FolderOf(entry);
  return folder ? folder->OpenFileToLoad(FolderEntry{entry.Name(), entry.attributes, entry.id}) : ScopedHandle();
}

std::string CApprovedTree::TextOf(const TreeEntry& entry) const {
  std::string text = m_folderText;
  for (const std::wstring& step : entry.steps) text += "\\" + AnsiFromWide(step);
  return text;
}

std::wstring CApprovedTree::WidePathOf(const TreeEntry& entry) const {
  std::wstring path = WideFromAnsi(m_folderText);
  for (const std::wstring& step : entry.steps) path += L"\\" + step;
  return path;
}

bool CApprovedTree::ListInside(const std::vector<std::wstring>& folderSteps, std::vector<TreeEntry>& entries) {
  const COpenFolder* folder = Reach(folderSteps, folderSteps.size());
  return folder && folder->ForEachEntry([&](const FolderEntry& found) {
    TreeEntry entry{folderSteps, found.id, found.attributes};
    entry.steps.push_back(found.name);
    entries.push_back(std::move(entry));
  });
}

bool CApprovedTree::FindInside(const std::vector<std::wstring>& folderSteps, const std::wstring& pattern,
                               TreeEntry& found) {
  const COpenFolder* folder = Reach(folderSteps, folderSteps.size());
  FolderEntry entry;
  if (!folder || !folder->FindEntry(pattern, entry, true)) return false;
  found = TreeEntry{folderSteps, entry.id, entry.attributes};
  found.steps.push_back(entry.name);
  return true;
}
