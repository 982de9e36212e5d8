#include "framework/registry_tree.h"

#include "framework/handles.h"
#include "framework/system_library.h"

namespace {

using DeleteKeyFn = LONG(WINAPI*)(HKEY, LPCSTR);

// Deletes the sub-keys of key first, then key itself. The first sub-key is taken again each
// time, since deleting one renumbers the rest.
LONG DeleteTreeByWalking(HKEY parent, const char* subKey) {
  {
    ScopedRegKey key;
    const LONG opened = key.Open(parent, subKey, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | DELETE);
    if (opened != ERROR_SUCCESS) return opened;
    char name[MAX_PATH];
    for (;;) {
      DWORD size = sizeof(name);
      const LONG next = ::RegEnumKeyExA(key.Get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr);
      if (next == ERROR_NO_MORE_ITEMS) break;
      if (next != ERROR_SUCCESS) return next;
      const LONG deleted = DeleteTreeByWalking(key.Get(), name);
      if (deleted != ERROR_SUCCESS) return deleted;
    }
  }
  return ::RegDeleteKeyA(parent, subKey);
}

}  // namespace

LONG DeleteRegistryTree(HKEY parent, const char* subKey) {
  if (!subKey || subKey[0] == '\0') return ERROR_INVALID_PARAMETER;
  static const auto shellDeleteKey = SystemFunctionAs<DeleteKeyFn>("shlwapi.dll", "SHDeleteKeyA");
  return shellDeleteKey ? shellDeleteKey(parent, subKey) : DeleteTreeByWalking(parent, subKey);
}
