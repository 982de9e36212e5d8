#include "framework/registry_tree.h"

#include "framework/handles.h"
#include "framework/native_files.h"
#include "framework/system_library.h"

namespace {

using DeleteKeyFn = LONG(NTAPI*)(HANDLE);

// NtDeleteKey of the Windows NT family, which deletes the key a handle holds (a link as itself);
// null on Windows 95, 98 and Me, which have no links.
DeleteKeyFn NativeDeleteKey() {
  static const auto deleteKey = nt::Calls().Available() ? SystemFunctionAs<DeleteKeyFn>("ntdll.dll", "NtDeleteKey") : nullptr;
  return deleteKey;
}

LONG DeleteOpened(HKEY parent, const char* subKey, HKEY opened) {
  if (const DeleteKeyFn deleteKey = NativeDeleteKey()) {
    const LONG status = deleteKey(opened);
    return status >= 0 ? ERROR_SUCCESS : static_cast<LONG>(nt::Calls().statusToError(status));
  }
  return ::RegDeleteKeyA(parent, subKey);
}

}  // namespace

LONG DeleteRegistryKey(HKEY parent, const char* subKey, bool withTree) {
  if (!subKey || subKey[0] == '\0') return ERROR_INVALID_PARAMETER;
  HKEY opened = nullptr;
  const DWORD openLink = nt::Calls().Available() ? REG_OPTION_OPEN_LINK : 0;
  LONG result = ::RegOpenKeyExA(parent, subKey, openLink, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | DELETE, &opened);
  if (result != ERROR_SUCCESS) return result;
  // A link holds no tree of its own: it goes as itself.
  if (!IsRegistryLink(opened)) {
    char name[MAX_PATH];
    for (;;) {
      DWORD size = sizeof(name);
      // The first sub-key is taken again each time, since deleting one renumbers the rest.
      const LONG next = ::RegEnumKeyExA(opened, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
      if (next == ERROR_NO_MORE_ITEMS) break;
      if (next != ERROR_SUCCESS) result = next;
      else if (!withTree) result = ERROR_ACCESS_DENIED;
      else result = DeleteRegistryKey(opened, name, true);
      if (result != ERROR_SUCCESS) break;
    }
  }
  if (result == ERROR_SUCCESS) result = DeleteOpened(parent, subKey, opened);
  ::RegCloseKey(opened);
  return result;
}
