// The shell's item lists of removed items, made as the shell itself makes one for a path that is no
// longer there: from the item's name and whether it is a folder, handed to the folder object of
// the path above it. Those folder objects are made once and kept, so only a path's root is ever
// looked up. Announcing a removal this way costs microseconds; handing the shell the path makes it
// look each folder of the path up in turn (about 2 ms a removal under Wine).
#pragma once
#include <shlobj.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/com.h"

// An absolute item list in memory of its own: the items, then the two zero bytes that end them.
using ItemList = std::vector<BYTE>;

class CRemovedItemLists {
public:
  // Made, used and ended on one thread, inside a COM apartment: the shell's folder objects belong
  // to the apartment that made them.
  CRemovedItemLists();
  ~CRemovedItemLists();
  CRemovedItemLists(const CRemovedItemLists&) = delete;
  CRemovedItemLists& operator=(const CRemovedItemLists&) = delete;

  // The item list of what was at path, a folder when isFolder. Empty when the shell does not make
  // item lists of a name alone (it looked the name up and did not find it, as before Windows 2000),
  // or the path's root is not one the shell knows; the path is then announced as text.
  ItemList Of(const std::wstring& path, bool isFolder);
  // The folder at path went and was announced: its object is not kept.
  void Forget(const std::wstring& folderPath) { m_folders.erase(folderPath); }

  class CFindData;

private:
  struct ShellFolder {
    ItemList absolute;
    ComPtr<IShellFolder> object;
  };
  // The folder at path from the cache, else made from the folder above it, down from the root.
  const ShellFolder* FolderAt(const std::wstring& path);
  const ShellFolder* MadeBelow(const ShellFolder& parent, const std::wstring& path);
  const ShellFolder* Root(const std::wstring& root);
  // The item list of name inside parent, relative to it, made from the name alone.
  ItemList ChildOf(IShellFolder& parent, const std::wstring& name, bool isFolder);
  // The shell's list copied into memory of its own, and the shell's freed.
  ItemList Taken(LPITEMIDLIST list) const;

  // Enough folder objects for any path the removals walk; more are dropped and made again.
  static constexpr size_t kMostFolders = 256;

  std::unique_ptr<CFindData> m_findData;
  ComPtr<IMalloc> m_shellAllocator;
  ComPtr<IBindCtx> m_byName;  // carries m_findData to the shell's parse
  ComPtr<IShellFolder> m_desktop;
  std::map<std::wstring, std::unique_ptr<ShellFolder>> m_folders;
};
