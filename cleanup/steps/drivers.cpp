#include "cleanup/steps/drivers.h"

#include <string>

#include "cleanup/trust/judged_file.h"
#include "cleanup/files/registry_removal.h"
#include "cleanup/report/run_report.h"
#include "framework/handles.h"

namespace {

using UninstallAllDriverFn = int(__cdecl*)();

int AddToRegister(HKEY key) {
  const BYTE* data = reinterpret_cast<const BYTE*>(kPppoeUserValueName);
  return ::RegSetValueExA(key, kPppoeUserValueName, 0, REG_SZ, data,
                          sizeof(kPppoeUserValueName)) == ERROR_SUCCESS
             ? 1
             : 0;
}

int RemoveFromRegister(HKEY key) {
  ::RegDeleteValueA(key, kPppoeUserValueName);
  char firstName[MAX_PATH] = {};
  DWORD nameSize = sizeof(firstName);
  // Only "no more items" says that no product is left. Any other answer (a name too long for the
  // buffer, a key that cannot be read) leaves the register as it is: another user may be there.
  if (::RegEnumValueA(key, 0, firstName, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
      ERROR_NO_MORE_ITEMS)
    return 0;
  // No product is left. A key that still holds sub-keys cannot be deleted this way; the answer
  // stays 1, because no product uses the component any more.
  RemoveRegistryKey(kPppoeUserRegisterParent, kPppoeUserRegisterName, KeyRemoval::OnlyWhenEmpty);
  return 1;
}

}  // namespace

int UninstallDrivers(const std::wstring& programFolder) {
  // Nothing that others could have changed is loaded with these rights.
  const CJudgedFile library = CJudgedFile::ForUse(programFolder + L"\\DriverSetup.dll");
  if (!library.Usable()) return 0;
  const ScopedLibrary loaded = library.Load();
  if (!loaded.Get()) return 0;
  const auto uninstallAll =
      reinterpret_cast<UninstallAllDriverFn>(reinterpret_cast<void*>(::GetProcAddress(loaded.Get(), "UninstallAllDriver")));
  return uninstallAll ? uninstallAll() : 0;
}

int DoDriverReg(BOOL install) {
  ScopedRegKey key;
  if (key.Create(HKEY_LOCAL_MACHINE, kPppoeUserRegisterKey) != ERROR_SUCCESS) return -1;
  // Whether this client is the component's last user decides whether it is removed: a register that
  // others could change does not decide it.
  const TrustVerdict verdict = JudgeKey(key.Get(), std::string("HKLM\\") + kPppoeUserRegisterKey);
  if (!install && !verdict.trusted) {
    ReportLeftForSafety(std::string("HKLM\\") + kPppoeUserRegisterKey, verdict.reason + "; the shared PPPoE component stays");
    return 0;
  }
  return install ? AddToRegister(key.Get()) : RemoveFromRegister(key.Get());
}
