#include "cleanup/files/registry_removal.h"

#include <windows.h>

#include "cleanup/report/run_report.h"
#include "framework/handles.h"
#include "framework/registry_tree.h"

RemovalResult RemoveRegistryKey(const std::string& parentPath, const std::string& name, KeyRemoval how) {
  std::string parent = parentPath;
  while (!parent.empty() && parent.back() == '\\') parent.pop_back();
  const std::string key = "HKLM\\" + parent + (parent.empty() ? "" : "\\") + name;
  if (name.empty() || name.find('\\') != std::string::npos) {
    ReportRemoval(key, RemovalResult::Failed);
    return RemovalResult::Failed;
  }
  ScopedRegKey opened;
  LONG result = opened.Open(HKEY_LOCAL_MACHINE, parent.c_str(), KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE);
  if (result == ERROR_SUCCESS) result = DeleteRegistryKey(opened.Get(), name.c_str(), how == KeyRemoval::WholeTree);
  const RemovalResult removal = ResultOfError(static_cast<DWORD>(result));
  ReportRemoval(key, removal);
  return removal;
}
