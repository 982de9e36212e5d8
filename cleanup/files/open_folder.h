// Working inside a folder: its entries listed, a sub-folder opened, a file opened to be read, and
// the raw removal of an entry, which only the one removal (cleanup/files/removal.h) reaches. Two
// routes, chosen once per run (framework/capabilities.h, FolderHandles):
// - Windows NT (cleanup/files/nt_folder.h): through the folder's open handle. Each entry is reached
//   relative to it by its UTF-16 name as the listing gave it, never by a path text; a step that is a
//   link, or that opens as another object than the listing names, is refused, so a folder swapped
//   for a link after the rule judged it is never followed, and a removal acts on the very object it
//   found, never on what a link leads to.
// - Windows 95, 98 and Me (cleanup/files/text_folder.h): by path text, which is all they have; they have
//   no links either.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "cleanup/report/removal_result.h"
#include "framework/file_facts.h"
#include "framework/handles.h"

// One entry of a folder as its listing gives it.
struct FolderEntry {
  std::wstring name;
  DWORD attributes = 0;
  FileId id;  // the listing's; read from the entry opened where a listing carries none
  bool IsLink() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
  // A directory entry: a folder, or a link to one.
  bool IsDirectory() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  // A folder the walk may enter: a link to a folder is not one.
  bool IsFolder() const { return IsDirectory() && !IsLink(); }
};

// Whether this run works inside folders through their handles (the Windows NT family); asked
// once, by the first folder opened, and kept for the run.
bool UsesFolderHandles();

// The entries "." and ".." that every listing returns: the folder itself and its parent.
bool IsDotEntry(const std::wstring& name);

class COpenFolder {
public:
  virtual ~COpenFolder() = default;
  COpenFolder(const COpenFolder&) = delete;
  COpenFolder& operator=(const COpenFolder&) = delete;

  // Opens the folder at path (exact) itself, by the route of this system; null (last error set)
  // when it is missing, no folder, or a link. A pinned folder cannot be renamed or deleted by
  // anyone while it is open.
  static std::unique_ptr<COpenFolder> Open(const std::wstring& path, bool pinned = false);

  // The folder the listing gave as entry inside this one, when it is that plain folder still; null
  // (last error set) otherwise. Nothing is listed again.
  virtual std::unique_ptr<COpenFolder> OpenChild(const FolderEntry& entry, bool pinned) const = 0;

  // The folder's path, exact.
  const std::wstring& Path() const { return m_path; }
  // The path of the entry called name, exact.
  std::wstring PathOf(const std::wstring& name) const;
  // Where the folder really lies (links and mapped drives on the way resolved), read through what
  // holds it where the system tells it; Path() where it cannot.
  virtual std::wstring RealPath() const = 0;
  // The real place of the entry called name in it.
  std::wstring RealPathOf(const std::wstring& name) const;
  // The handle that holds the folder, for reading its security (null on the route by path text).
  virtual HANDLE Held() const = 0;

  // Every entry but "." and "..", in the order of the listing. False when the folder cannot be
  // listed, and when the listing ends in an error (reported: the rest of the folder is left).
  virtual bool List(std::vector<FolderEntry>& entries) const = 0;
  // The entry called name as the listing gives it now; false (last error set) when there is none.
  virtual bool Find(const std::wstring& name, FolderEntry& entry) const = 0;

  // Opens the listed file to be read: nobody may change, rename or delete it while the handle is
  // open. Invalid when it is missing, a link, or another object.
  virtual ScopedHandle OpenFileToRead(const FolderEntry& entry) const = 0;

protected:
  explicit COpenFolder(std::wstring path) : m_path(std::move(path)) {}

private:
  // The one removal (cleanup/files/removal.cpp) is the only way to it.
  friend class CRawRemoval;
  // Removes the entry the listing gave, when what opens by its name is that object itself: a file
  // or an empty folder with its attributes reset first, a link as the link itself (where the
  // system cannot remove a link alone, it stays: LinkKept). Held open by someone who shares its
  // deletion, it is marked and goes when they close it (DeletePending); held otherwise, or loaded
  // as a program or library, it stays (InUse). Nothing is reported, queued or announced here.
  virtual RemovalResult RemoveEntry(const FolderEntry& entry) const = 0;

  std::wstring m_path;
};
