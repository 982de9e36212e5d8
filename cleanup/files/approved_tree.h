// The tree below an approved folder, walked once and removed through handles. The folder is judged
// once (ApprovedPath) and held open from the walk to the last removal; the walk, made as the tree is
// opened, records every entry below it in the order of the listings, each the UTF-16 names of the
// steps down to it with its file id and attributes, and it serves everything the run asks of the
// tree: the COM servers' lists, the files, the folders. A removal reaches the entry's folder again
// from the held folder through the folders the walk recorded, each opened from its parent's handle
// without listing it again, and acts on the entry only when it is still the object listed. Names
// stay UTF-16 from the listing to the removal: a name outside the system code page, or one whose
// double-byte characters end in the byte of "\", is removed like any other; the code page's text of
// a path is made only where it is asked for (the log, and matching against the client's texts).
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "cleanup/trust/approved_path.h"
#include "cleanup/files/open_folder.h"
#include "cleanup/files/removal.h"
#include "cleanup/files/shell_notifier.h"
#include "cleanup/trust/file_security.h"

// One entry below the tree's folder, as the walk met it.
struct TreeEntry {
  std::vector<std::wstring> steps;  // the names from the tree's folder down, the entry's own last
  FileId id;
  DWORD attributes = 0;
  int node = -1;    // the entry's place in the tree's walk
  int parent = 0;   // the place of the folder that holds it (0: the tree's folder)
  bool IsLink() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
  bool IsDirectory() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  // A folder the walk entered: a link to a folder is not one.
  bool IsFolder() const { return IsDirectory() && !IsLink(); }
  const std::wstring& Name() const { return steps.back(); }
  FolderEntry AsListed() const { return FolderEntry{Name(), attributes, id}; }
};

class CApprovedTree {
public:
  // Opens the approved folder (not when it is a link) and walks it. The tree holds every folder on
  // the way to the entry it last reached so that nobody can rename or delete it meanwhile (its own
  // removal of a folder lets go of it first).
  explicit CApprovedTree(const ApprovedPath& folder);
  CApprovedTree(const CApprovedTree&) = delete;
  CApprovedTree& operator=(const CApprovedTree&) = delete;

  bool IsOpen() const { return !m_chain.empty(); }
  // The tree's folder, as it was approved.
  const ApprovedPath& Folder() const { return m_folder; }
  // The folder's path, exact.
  const std::wstring& Root() const { return m_root; }

  // Every file below the folder, depth-first (a sub-folder's files where it is met; links to
  // files included, links to folders neither listed nor entered). False when the folder cannot be
  // listed or a listing ended in an error (reported; what was found is kept).
  bool ListFiles(std::vector<TreeEntry>& files) const;
  // Every folder below the folder, each after all the folders inside it (links to folders
  // included, never entered), so removing them in order empties each parent before its turn.
  bool ListFolders(std::vector<TreeEntry>& folders) const;
  // What the walk found in the folder at folderSteps (none: the tree's folder), in the order of the
  // listing; false when the walk entered no such folder.
  bool ListInside(const std::vector<std::wstring>& folderSteps, std::vector<TreeEntry>& entries) const;
  // The first entry the walk found in the folder at folderSteps whose name matches pattern ("*" and
  // "?" allowed, any case); false when there is none.
  bool FindInside(const std::vector<std::wstring>& folderSteps, const std::wstring& pattern, TreeEntry& found) const;

  // The open folder that holds entry, reached from the tree's folder; null (last error set) when a
  // step is missing now, a link, or another object than the walk found.
  const COpenFolder* FolderOf(const TreeEntry& entry);
  // Opens the listed file to be read (see COpenFolder::OpenFileToRead); invalid when it cannot be
  // reached as listed.
  ScopedHandle OpenToRead(const TreeEntry& entry);
  // The folders the tree holds on the way to the entry, its own folder first, up to the tree's
  // folder (after FolderOf or OpenToRead has reached it).
  std::vector<HeldObject> HeldWayTo(const TreeEntry& entry) const;

  // The tree's removals are announced in batches as they are made, the last when the tree is
  // closed (or, taken, with the tree's folder).
  CBatchedAnnouncements& Announcements() { return m_announcements; }
  CBatchedAnnouncements TakeAnnouncements() { return std::move(m_announcements); }

  // The entry's path, exactly (for the shell and the judged file), and as text of the system code
  // page (for the log and for matching against texts).
  std::wstring WidePathOf(const TreeEntry& entry) const;
  std::string TextOf(const TreeEntry& entry) const;
  // The entry's path as one the tree approves, for a removal once the tree is closed.
  ApprovedPath ApprovedPathOf(const TreeEntry& entry) const { return ApprovedPath(WidePathOf(entry)); }

private:
  struct Node {
    TreeEntry entry;
    std::vector<int> children;
    bool entered = false;  // a folder the walk listed
  };
  // Walks the tree from its held folder, each folder entered right after it is met; false when a
  // listing failed.
  bool Walk();
  // Records a listed entry as a child of the folder at node; its place.
  int AddNode(int parent, const FolderEntry& found);
  int NodeOf(const std::vector<std::wstring>& folderSteps) const;

  CBatchedAnnouncements m_announcements;  // the rest released when the tree is closed
  ApprovedPath m_folder;
  std::wstring m_root;
  std::vector<Node> m_nodes;  // the tree's folder first
  bool m_complete = false;    // every listing ended at its end
  std::vector<std::unique_ptr<COpenFolder>> m_chain;  // the folder, then one per folder reached
  std::vector<int> m_chainNodes;                      // the node of each folder of the chain
};

// Removes an entry listed in tree (a file, a link, or a folder emptied before its turn) by the one
// removal (cleanup/files/removal.h), reached again through the tree's handles: Changed when a step is no
// longer what the walk found, Missing when it is gone. Its announcement waits in the tree's.
RemovalResult RemoveTreeEntry(CApprovedTree& tree, const TreeEntry& entry, const RemovalPolicy& policy = kRemoveOrQueue);
