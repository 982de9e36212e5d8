#include "cleanup/files/approved_tree.h"

#include "cleanup/report/run_report.h"
#include "framework/path_text.h"
#include "framework/wide_text.h"

namespace {

// Whether name matches pattern, where "*" stands for any run of characters and "?" for one, letters
// in any case.
bool Matches(const wchar_t* name, const wchar_t* pattern) {
  for (;; ++name, ++pattern) {
    if (*pattern == L'*') {
      while (*pattern == L'*') ++pattern;
      if (!*pattern) return true;
      for (; *name; ++name)
        if (Matches(name, pattern)) return true;
      return false;
    }
    if (!*name) return !*pattern;
    if (!*pattern || (*pattern != L'?' && FoldedAscii(*pattern) != FoldedAscii(*name))) return false;
  }
}

}  // namespace

CApprovedTree::CApprovedTree(const ApprovedPath& folder) : m_folder(folder), m_root(folder.Wide()) {
  while (m_root.size() > 3 && m_root.back() == L'\\') m_root.pop_back();
  m_nodes.push_back(Node{});
  m_nodes.front().entry.node = 0;
  m_nodes.front().entry.parent = -1;
  if (!folder.IsApproved()) return;
  std::unique_ptr<COpenFolder> root = COpenFolder::Open(m_root, true);
  if (!root) return;
  m_chain.push_back(std::move(root));
  m_chainNodes.push_back(0);
  m_complete = Walk();
}

int CApprovedTree::AddNode(int parent, const FolderEntry& found) {
  Node child;
  child.entry.steps = m_nodes[parent].entry.steps;
  child.entry.steps.push_back(found.name);
  child.entry.id = found.id;
  child.entry.attributes = found.attributes;
  child.entry.node = static_cast<int>(m_nodes.size());
  child.entry.parent = parent;
  m_nodes[parent].children.push_back(child.entry.node);
  m_nodes.push_back(std::move(child));
  return static_cast<int>(m_nodes.size()) - 1;
}

bool CApprovedTree::Walk() {
  // One frame for each folder on the way down: it is held open, with what its listing gave, until
  // every entry of it was met.
  struct Frame {
    int node;
    std::unique_ptr<COpenFolder> owned;  // null for the tree's own folder, which the chain holds
    const COpenFolder* folder;
    std::vector<FolderEntry> listed;
    size_t next;
  };
  bool complete = true;
  std::vector<Frame> way;
  const auto enter = [&](int node, std::unique_ptr<COpenFolder> owned, const COpenFolder& folder) {
    Frame frame{node, std::move(owned), &folder, {}, 0};
    complete = folder.List(frame.listed) && complete;
    m_nodes[node].entered = true;
    way.push_back(std::move(frame));
  };
  enter(0, nullptr, *m_chain.front());
  while (!way.empty()) {
    Frame& at = way.back();
    if (at.next == at.listed.size()) {
      way.pop_back();
      continue;
    }
    const FolderEntry found = at.listed[at.next++];
    const int child = AddNode(at.node, found);
    // Entered right after it is met, through its parent's handle: a link is never entered.
    if (!found.IsFolder()) continue;
    std::unique_ptr<COpenFolder> sub = at.folder->OpenChild(found, false);
    if (!sub) continue;
    const COpenFolder& opened = *sub;
    enter(child, std::move(sub), opened);
  }
  return complete;
}

bool CApprovedTree::ListFiles(std::vector<TreeEntry>& files) const {
  if (!IsOpen()) return false;
  struct Lister {
    const std::vector<Node>& nodes;
    std::vector<TreeEntry>& files;
    void Visit(int node) {
      for (int child : nodes[node].children) {
        if (!nodes[child].entry.IsDirectory()) files.push_back(nodes[child].entry);  // a link to a file too
        if (nodes[child].entered) Visit(child);
      }
    }
  } lister{m_nodes, files};
  lister.Visit(0);
  return m_complete;
}

bool CApprovedTree::ListFolders(std::vector<TreeEntry>& folders) const {
  if (!IsOpen()) return false;
  struct Lister {
    const std::vector<Node>& nodes;
    std::vector<TreeEntry>& folders;
    void Visit(int node) {
      for (int child : nodes[node].children) {
        if (!nodes[child].entry.IsDirectory()) continue;
        if (nodes[child].entered) Visit(child);
        folders.push_back(nodes[child].entry);  // after what it holds; a link to a folder too
      }
    }
  } lister{m_nodes, folders};
  lister.Visit(0);
  return m_complete;
}

int CApprovedTree::NodeOf(const std::vector<std::wstring>& folderSteps) const {
  int node = 0;
  for (const std::wstring& step : folderSteps) {
    int next = -1;
    for (int child : m_nodes[node].children)
      if (m_nodes[child].entered && SameFoldedAscii(m_nodes[child].entry.Name(), step)) {
        next = child;
        break;
      }
    if (next < 0) return -1;
    node = next;
  }
  return m_nodes[node].entered ? node : -1;
}

bool CApprovedTree::ListInside(const std::vector<std::wstring>& folderSteps, std::vector<TreeEntry>& entries) const {
  const int node = NodeOf(folderSteps);
  if (node < 0) return false;
  for (int child : m_nodes[node].children) entries.push_back(m_nodes[child].entry);
  return true;
}

bool CApprovedTree::FindInside(const std::vector<std::wstring>& folderSteps, const std::wstring& pattern,
                               TreeEntry& found) const {
  const int node = NodeOf(folderSteps);
  if (node < 0 || pattern.empty()) return false;
  for (int child : m_nodes[node].children)
    if (Matches(m_nodes[child].entry.Name().c_str(), pattern.c_str())) {
      found = m_nodes[child].entry;
      return true;
    }
  return false;
}

const COpenFolder* CApprovedTree::FolderOf(const TreeEntry& entry) {
  if (!IsOpen() || entry.steps.empty()) {
    ::SetLastError(IsOpen() ? ERROR_INVALID_NAME : ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
  // The folders the walk entered on the way: up the walk's own record for an entry it found, else
  // by the entry's steps.
  std::vector<int> way;
  const bool ours = entry.node > 0 && entry.node < static_cast<int>(m_nodes.size()) &&
                    m_nodes[entry.node].entry.steps == entry.steps;
  if (ours) {
    for (int node = entry.parent; node >= 0; node = m_nodes[node].entry.parent) way.insert(way.begin(), node);
  } else {
    way.push_back(0);
    for (size_t i = 0; i + 1 < entry.steps.size(); ++i) {
      const int node = NodeOf(std::vector<std::wstring>(entry.steps.begin(), entry.steps.begin() + static_cast<long>(i) + 1));
      if (node < 0) {
        ::SetLastError(kErrorStepNotInTree);
        return nullptr;
      }
      way.push_back(node);
    }
  }
  // Keep the folders the last entry reached shared with this one, then open the rest step by step
  // from each parent's handle.
  size_t kept = 0;
  while (kept < m_chainNodes.size() && kept < way.size() && m_chainNodes[kept] == way[kept]) ++kept;
  m_chain.resize(kept);
  m_chainNodes.resize(kept);
  for (size_t i = kept; i < way.size(); ++i) {
    std::unique_ptr<COpenFolder> folder = m_chain.back()->OpenChild(m_nodes[way[i]].entry.AsListed(), true);
    if (!folder) return nullptr;
    m_chain.push_back(std::move(folder));
    m_chainNodes.push_back(way[i]);
  }
  return m_chain.back().get();
}

ScopedHandle CApprovedTree::OpenToRead(const TreeEntry& entry) {
  const COpenFolder* folder = FolderOf(entry);
  return folder ? folder->OpenFileToRead(entry.AsListed()) : ScopedHandle();
}

std::vector<HeldObject> CApprovedTree::HeldWayTo(const TreeEntry& entry) const {
  std::vector<HeldObject> way;
  // The chain holds the tree's folder first and the entry's folder last, when it reached the entry.
  if (entry.steps.empty() || m_chain.size() != entry.steps.size() || m_chainNodes.back() != entry.parent) return way;
  for (auto folder = m_chain.rbegin(); folder != m_chain.rend(); ++folder)
    way.push_back(HeldObject{(*folder)->Path(), (*folder)->Held()});
  return way;
}

std::wstring CApprovedTree::WidePathOf(const TreeEntry& entry) const {
  std::wstring path = m_root;
  for (const std::wstring& step : entry.steps) path += (path.back() == L'\\' ? L"" : L"\\") + step;
  return path;
}

std::string CApprovedTree::TextOf(const TreeEntry& entry) const { return AnsiFromWide(WidePathOf(entry)); }

RemovalResult RemoveTreeEntry(CApprovedTree& tree, const TreeEntry& entry, const RemovalPolicy& policy) {
  // A folder is removed from its parent: the chain lets go of it first.
  const COpenFolder* folder = tree.FolderOf(entry);
  if (!folder) {
    RemovalResult result = ResultOfError(::GetLastError());
    if (result != RemovalResult::Missing) result = RemovalResult::Changed;
    ReportRemoval(tree.WidePathOf(entry), result);
    return result;
  }
  return RemoveEntry(*folder, entry.AsListed(), policy, &tree.Announcements());
}
