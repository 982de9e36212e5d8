// Working inside a folder through its open handle. A folder is opened once, without following a
// link; each entry is reached relative to that handle, never by a path text, and a step that is a
// link, lies on another volume or is another object than the folder's listing names is refused.
// So a folder swapped for a link, or a drive mapped over a step, after the path rule judged a path
// is never followed, and a removal acts on the very object it found. Windows 95, 98 and Me have no
// such calls and no links: there a folder is worked by its path text, as before.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cleanup/file_identity.h"
#include "framework/handles.h"

// One entry of a folder as the walk meets it.
struct FolderEntry {
  std::string path;  // the folder, "\" and the entry's name
  DWORD attributes;  // as the listing found them
  FileId id = {};    // as the listing found it; unknown where the system does not tell
  bool IsLink() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
  // A folder the walk may enter: a link to a folder is not one.
  bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsLink(); }
  std::string Name() const { return path.substr(path.find_last_of('\\') + 1); }
};

// The entries "." and ".." that every listing returns: the folder itself and its parent.
bool IsDotEntry(const char* name);

class COpenFolder {
public:
  // Whether folders are worked through handles (Windows NT and later).
  static bool ByHandle();

  // Opens the folder at path itself (the steps above it may be links the rule has judged):
  // false when it is missing, not a folder, or a link. A pinned folder cannot be renamed or
  // deleted by anyone while it is open.
  bool Open(const std::string& path, bool pinned = false);
  // Opens the folder name inside parent, relative to parent's handle.
  bool OpenChild(const COpenFolder& parent, const std::string& name, bool pinned = false);

  bool IsOpen() const { return m_open; }
  const std::string& Path() const { return m_path; }

  // Calls visit for every entry but "." and "..", listed first, so visit may remove them. True at
  // the end of the listing; false when the folder cannot be listed, and when the listing ends in
  // an error (reported: the rest of the folder is left).
  bool ForEachEntry(const std::function<void(const FolderEntry&)>& visit) const;
  // The entry called name as the listing gives it now; false (last error set) when there is none.
  bool FindEntry(const std::string& name, FolderEntry& entry) const;

  // Removes the entry called name through its own handle: a file or an empty folder with its
  // attributes reset first, a link as the link itself (wasLink set). False with the last error set
  // when it stays: missing, in use, not empty, or a link the system can only open as its target.
  BOOL RemoveEntry(const std::string& name, bool& wasLink) const;
  // Opens the file called name for reading, as it is to be loaded: nobody may change, rename or
  // delete it while the handle is open. Invalid when it is missing, a link or on another volume.
  HANDLE OpenFileToLoad(const std::string& name) const;

private:
  // Checks an open child against the listing's entry and this folder's volume.
  bool IsPlainChild(HANDLE child, const FolderEntry& entry) const;
  HANDLE Reopen() const;  // a fresh handle on the same folder, for one listing
  // The identity of the entry called name, from the entry opened (for listings without ids);
  // unknown when it cannot be opened.
  FileId IdOfChild(const std::string& name) const;

  ScopedHandle m_handle;
  std::string m_path;
  DWORD m_volume = 0;
  FileId m_id;
  bool m_open = false;
};

// The chain of open folders from one root down to the folder of the latest entry reached: entries
// listed below the root are reached step by step through handles, and consecutive entries of one
// folder share the chain.
class CFolderChain {
public:
  explicit CFolderChain(const std::string& root, bool pinned = false);
  // The open folder that holds path, and the entry's name in it; null (last error set) when path
  // does not lie below the root by its text, or a step is missing, a link or another volume.
  const COpenFolder* FolderOf(const std::string& path, std::string& name);

private:
  std::string m_root;
  bool m_pinned;
  std::vector<std::unique_ptr<COpenFolder>> m_chain;  // the root, then one folder per step
  std::vector<std::string> m_steps;                   // the names of the folders after the root
};

// Removes the entry at path through the handle of its folder, opened by its path: the single-path
// removals (a shortcut, the main program) whose folder the rule has judged. As RemoveEntry.
BOOL RemoveByPath(const std::string& path, bool& wasLink);
