// Working inside a folder through its open handle. A folder is opened once, without following a
// link; each entry is reached relative to that handle by its UTF-16 name as the listing gave it,
// never by a path text, and a step that is a link, lies on another volume or is another object
// than the listing names is refused. So a folder swapped for a link, or a drive mapped over a
// step, after the path rule judged a path is never followed, a name outside the system code page
// is found and removed like any other, and a removal acts on the very object it found. Windows
// 95, 98 and Me have no such calls and no links: there a folder is worked by its path text.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "cleanup/file_identity.h"
#include "cleanup/run_report.h"
#include "framework/handles.h"

// One entry of a folder as its listing gives it.
struct FolderEntry {
  std::wstring name;
  DWORD attributes = 0;
  FileId id;  // the listing's; read from the entry opened where a listing carries none
  bool IsLink() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
  // A folder the walk may enter: a link to a folder is not one.
  bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsLink(); }
};

// The entries "." and ".." that every listing returns: the folder itself and its parent.
bool IsDotEntry(const std::wstring& name);

class COpenFolder {
public:
  // Whether folders are worked through handles (Windows NT and later).
  static bool ByHandle();

  // Opens the folder at path itself (the steps above it may be links the rule has judged):
  // false when it is missing, not a folder, or a link. A pinned folder cannot be renamed or
  // deleted by anyone while it is open.
  bool Open(const std::string& path, bool pinned = false);
  // Opens the folder called name inside parent, relative to parent's handle, when the listing
  // shows it as a plain folder and what opens is that folder.
  bool OpenChild(const COpenFolder& parent, const std::wstring& name, bool pinned = false);

  bool IsOpen() const { return m_open; }
  // The folder's path: as text of the system code page for the log, and exactly.
  const std::string& Path() const { return m_path; }
  const std::wstring& WidePath() const { return m_widePath; }
  // The path of the entry called name, for the log, and exactly.
  std::string PathOf(const std::wstring& name) const;
  std::wstring WidePathOf(const std::wstring& name) const { return m_widePath + L"\\" + name; }

  // Calls visit for every entry but "." and "..", listed first, so visit may remove them. True at
  // the end of the listing; false when the folder cannot be listed, and when the listing ends in
  // an error (reported: the rest of the folder is left).
  bool ForEachEntry(const std::function<void(const FolderEntry&)>& visit) const;
  // The entry called name as the listing gives it now; false (last error set) when there is none.
  // With pattern set, name may hold "*" and "?", and the first entry that matches is given ("."
  // and ".." are not entries).
  bool FindEntry(const std::wstring& name, FolderEntry& entry, bool pattern = false) const;

  // Removes the entry the listing gave as expected, through its own handle, when what opens by its
  // name is that object: a file or an empty folder with its attributes reset first, a link as the
  // link itself. Held open by someone who shares its deletion, it is marked and goes when they
  // close it (DeletePending); held otherwise, or loaded as a program or library, it stays (InUse).
  RemovalResult RemoveEntry(const FolderEntry& expected) const;
  // Opens the file the listing gave as expected for reading, as it is to be loaded: nobody may
  // change, rename or delete it while the handle is open. Invalid when it is missing, a link, on
  // another volume or another object.
  ScopedHandle OpenFileToLoad(const FolderEntry& expected) const;

private:
  // Checks an open child against the listing's entry and this folder's volume.
  bool IsPlainChild(HANDLE child, const FolderEntry& entry) const;
  // Whether the open child is the entry called name itself, not an object a link led to: its path
  // on the volume is this folder's followed by the name.
  bool IsTheEntryItself(HANDLE child, const std::wstring& name) const;
  std::wstring VolumePathOfEntry(const std::wstring& name) const;
  HANDLE Reopen() const;  // a fresh handle on the same folder, for one listing
  // The identity of the entry called name, from the entry opened (for listings without ids);
  // unknown when it cannot be opened.
  FileId IdOfChild(const std::wstring& name) const;
  RemovalResult RemoveByPathText(const FolderEntry& expected) const;  // Windows 95, 98 and Me

  ScopedHandle m_handle;
  std::string m_path;
  std::wstring m_widePath;
  DWORD m_volume = 0;
  std::wstring m_volumePath;  // the folder's path on its volume, as the file system names it
  FileId m_id;
  bool m_open = false;
};

// Removes the entry at path, a path the rule has judged (a shortcut, the main program, a folder),
// through the handle of its folder opened by its path. As RemoveEntry; Missing when it is not
// there, Failed when path names no entry of a folder.
RemovalResult RemoveByPath(const std::string& path, bool* wasLink = nullptr);
