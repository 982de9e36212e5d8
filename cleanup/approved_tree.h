// The tree below an approved folder, walked and removed through handles. The folder is judged once
// (ApprovedPath) and opened once; the walk lists what lies below it as tree entries, each the
// UTF-16 names of the steps down to it with its file id and attributes; a removal reaches the entry
// again from the held folder by those names, through plain folders only, and acts on it only when
// it is still the object listed. Between listing and removal nothing goes back to path text, so a
// name outside the system code page, or one whose double-byte characters end in the byte of "\",
// is removed like any other.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "cleanup/approved_path.h"
#include "cleanup/open_folder.h"

// One entry below the tree's folder, as the walk met it.
struct TreeEntry {
  std::vector<std::wstring> steps;  // the names from the tree's folder down, the entry's own last
  FileId id;
  DWORD attributes = 0;
  bool IsLink() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
  bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  const std::wstring& Name() const { return steps.back(); }
};

class CApprovedTree {
public:
  // Opens the approved folder (not when it is a link). The tree holds every folder on the way to
  // the entry it last reached so that nobody can rename or delete it meanwhile (its own removal
  // of a folder lets go of it first).
  explicit CApprovedTree(const ApprovedPath& folder);
  CApprovedTree(const CApprovedTree&) = delete;
  CApprovedTree& operator=(const CApprovedTree&) = delete;

  bool IsOpen() const { return !m_chain.empty(); }
  const std::string& FolderText() const { return m_folderText; }

  // Every file below the folder, depth-first (a sub-folder's files where it is met; links to
  // files included, links to folders neither listed nor entered). False when the folder cannot be
  // listed or a listing ended in an error (reported; what was found is kept).
  bool ListFiles(std::vector<TreeEntry>& files) const;
  // Every folder below the folder, each after all the folders inside it (links to folders
  // included, never entered), so removing them in order empties each parent before its turn.
  bool ListFolders(std::vector<TreeEntry>& folders) const;

  // Removes the entry (a file, an emptied folder, a link as the link), reached again from the
  // folder step by step: Changed when a step or the entry is no longer what was listed.
  RemovalResult Remove(const TreeEntry& entry);
  // Opens the listed file to be loaded (see COpenFolder::OpenFileToLoad); invalid when it cannot
  // be reached as listed.
  ScopedHandle OpenToLoad(const TreeEntry& entry);

  // The entry's path, as text of the system code page (for the log and for matching against
  // texts), and exactly (for the system's restart queue and the shell).
  std::string TextOf(const TreeEntry& entry) const;
  std::wstring WidePathOf(const TreeEntry& entry) const;

  // Lists what the folder at folderSteps (none: the tree's folder) holds now, in the order of the
  // listing, as entries of this tree; false when it cannot be reached as listed or listed.
  bool ListInside(const std::vector<std::wstring>& folderSteps, std::vector<TreeEntry>& entries);
  // The first entry inside the folder at folderSteps whose name matches pattern ("*" and "?"
  // allowed), as the listing gives it; false when there is none or the folder cannot be reached.
  bool FindInside(const std::vector<std::wstring>& folderSteps, const std::wstring& pattern, TreeEntry& found);

private:
  // The open folder that holds entry, reaching it from the tree's folder; null (last error set)
  // when a step is missing, a link, on another volume or another object than listed.
  const COpenFolder* FolderOf(const TreeEntry& entry);
  const COpenFolder* Reach(const std::vector<std::wstring>& steps, size_t count);

  std::string m_folderText;
  std::vector<std::unique_ptr<COpenFolder>> m_chain;  // the folder, then one per step reached
  std::vector<std::wstring> m_steps;                  // the names of the folders after the first
};
