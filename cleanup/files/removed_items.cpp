#include "cleanup/files/removed_items.h"

#include <cstring>

#include "framework/path_text.h"

// The find data the shell's parse takes instead of looking the name up on the disk (the bind
// context's "File System Bind Data"). Owned by CRemovedItemLists, which outlives every reference
// the bind context holds; the count is kept for the interface's sake only.
class CRemovedItemLists::CFindData : public IFileSystemBindData {
public:
  void Set(const std::wstring& name, bool isFolder) {
    m_data = WIN32_FIND_DATAW();
    m_data.dwFileAttributes = isFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    name.copy(m_data.cFileName, name.size());
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IFileSystemBindData)) {
      *out = static_cast<IFileSystemBindData*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_references)); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(::InterlockedDecrement(&m_references)); }
  HRESULT STDMETHODCALLTYPE SetFindData(const WIN32_FIND_DATAW* data) override {
    if (!data) return E_POINTER;
    m_data = *data;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetFindData(WIN32_FIND_DATAW* data) override {
    if (!data) return E_POINTER;
    *data = m_data;
    return S_OK;
  }

private:
  WIN32_FIND_DATAW m_data = {};
  LONG m_references = 1;
};

namespace {

size_t ItemBytes(LPCITEMIDLIST list) {
  const BYTE* bytes = reinterpret_cast<const BYTE*>(list);
  size_t size = 0;
  for (USHORT item; std::memcpy(&item, bytes + size, sizeof(item)), item != 0;) size += item;
  return size;
}


// head's items followed by tail's.
ItemList Joined(const ItemList& head, const ItemList& tail) {
  ItemList joined(head.begin(), head.end() - sizeof(USHORT));
  joined.insert(joined.end(), tail.begin(), tail.end());
  return joined;
}

LPITEMIDLIST AsList(const ItemList& list) {
  return reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(list.data()));
}

}  // namespace

CRemovedItemLists::CRemovedItemLists() : m_findData(new CFindData) {
  if (FAILED(::SHGetMalloc(reinterpret_cast<IMalloc**>(m_shellAllocator.OutParam())))) return;
  if (FAILED(::SHGetDesktopFolder(reinterpret_cast<IShellFolder**>(m_desktop.OutParam())))) return;
  if (FAILED(::CreateBindCtx(0, reinterpret_cast<IBindCtx**>(m_byName.OutParam())))) return;
  // The parse makes an item of a name that is not there only for a context that may create it.
  BIND_OPTS options = {sizeof(options), 0, STGM_CREATE, 0};
  wchar_t key[] = L"File System Bind Data";
  if (FAILED(m_byName->SetBindOptions(&options)) || FAILED(m_byName->RegisterObjectParam(key, m_findData.get())))
    m_byName.Reset();
}

// The members go in the order that releases the bind context before the find data it holds.
CRemovedItemLists::~CRemovedItemLists() = default;

ItemList CRemovedItemLists::Of(const std::wstring& path, bool isFolder) {
  if (!m_byName || !m_desktop) return ItemList();
  const std::wstring above = FolderAbove(path);
  if (above.empty()) return ItemList();
  const ShellFolder* folder = FolderAt(above);
  if (!folder) return ItemList();
  const ItemList child = ChildOf(*folder->object.Get(), LastStep(path), isFolder);
  return child.empty() ? ItemList() : Joined(folder->absolute, child);
}

const CRemovedItemLists::ShellFolder* CRemovedItemLists::FolderAt(const std::wstring& path) {
  // The folders from path up to the first one known, then made downwards from it.
  std::vector<std::wstring> unknown;
  const ShellFolder* known = nullptr;
  for (std::wstring folder = path; !folder.empty(); folder = FolderAbove(folder)) {
    const auto found = m_folders.find(folder);
    if (found != m_folders.end()) {
      known = found->second.get();
      break;
    }
    unknown.push_back(folder);
  }
  if (m_folders.size() + unknown.size() > kMostFolders) {
    if (m_folders.empty()) return nullptr;  // deeper than any removal walks
    m_folders.clear();
    return FolderAt(path);
  }
  if (!known) {
    if (unknown.empty() || RootLength(unknown.back()) != unknown.back().size()) return nullptr;
    known = Root(unknown.back());
    unknown.pop_back();
  }
  for (auto step = unknown.rbegin(); known && step != unknown.rend(); ++step) known = MadeBelow(*known, *step);
  return known;
}

const CRemovedItemLists::ShellFolder* CRemovedItemLists::Root(const std::wstring& root) {
  // The one look-up: the root is there, and the shell says what it is (a drive, a share).
  std::wstring text = root;
  if (text.back() != L'\\') text += L'\\';
  LPITEMIDLIST list = nullptr;
  if (FAILED(m_desktop->ParseDisplayName(nullptr, nullptr, &text[0], nullptr, &list, nullptr))) return nullptr;
  auto made = std::make_unique<ShellFolder>();
  made->absolute = Taken(list);
  if (FAILED(m_desktop->BindToObject(AsList(made->absolute), nullptr, IID_IShellFolder,
                                     made->object.OutParam())))
    return nullptr;
  return (m_folders[root] = std::move(made)).get();
}

const CRemovedItemLists::ShellFolder* CRemovedItemLists::MadeBelow(const ShellFolder& parent,
                                                                  const std::wstring& path) {
  const ItemList child = ChildOf(*parent.object.Get(), LastStep(path), true);
  if (child.empty()) return nullptr;
  auto made = std::make_unique<ShellFolder>();
  if (FAILED(parent.object->BindToObject(AsList(child), nullptr, IID_IShellFolder, made->object.OutParam())))
    return nullptr;
  made->absolute = Joined(parent.absolute, child);
  return (m_folders[path] = std::move(made)).get();
}

ItemList CRemovedItemLists::Taken(LPITEMIDLIST list) const {
  if (!list) return ItemList();
  const BYTE* bytes = reinterpret_cast<const BYTE*>(list);
  ItemList copy(bytes, bytes + ItemBytes(list) + sizeof(USHORT));
  m_shellAllocator->Free(list);
  return copy;
}

ItemList CRemovedItemLists::ChildOf(IShellFolder& parent, const std::wstring& name, bool isFolder) {
  if (name.empty() || name.size() >= MAX_PATH || name.find(L'\\') != std::wstring::npos) return ItemList();
  m_findData->Set(name, isFolder);
  std::wstring text = name;
  LPITEMIDLIST list = nullptr;
  if (FAILED(parent.ParseDisplayName(nullptr, m_byName.Get(), &text[0], nullptr, &list, nullptr))) return ItemList();
  const ItemList child = Taken(list);
  // One item, the name itself: a parse that went elsewhere is not this removal's.
  USHORT first = 0;
  std::memcpy(&first, child.data(), sizeof(first));
  return first != 0 && first + sizeof(USHORT) == child.size() ? child : ItemList();
}
