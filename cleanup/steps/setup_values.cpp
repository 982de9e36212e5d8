#include "cleanup/steps/setup_values.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "cleanup/trust/judged_file.h"
#include "cleanup/report/run_report.h"
#include "cleanup/steps/setup_file_parser.h"
#include "cleanup/steps/setup_value_text.h"
#include "framework/handles.h"
#include "framework/wide_text.h"
#include "language/mbcs.h"


bool ImportRegistryFile(const std::wstring& path, const std::string& ownTree) {
  // Values that others could have written would be written with these rights: none is.
  JudgedUse read;
  read.use = FileUse::Read;
  read.consequence = "nothing of it is imported";
  const CJudgedFile file = CJudgedFile::ForUse(path, read);
  if (!file.Usable()) return false;
  std::string data;
  if (!file.Read(data, kSetupFileMaxBytes)) return false;
  const std::string own = FoldedAnsi(ownTree);
  for (const SetupFileValue& v : ParseSetupFile(data.data(), data.size())) {
    if (own.empty() || FoldedAnsi(v.key).compare(0, own.size(), own) != 0) {
      ReportStep("skipped from " + file.Text() + ": HKLM\\" + v.key + v.name + ", not the client's key");
      continue;
    }
    ScopedRegKey key;
    if (key.Create(HKEY_LOCAL_MACHINE, v.key.c_str()) != ERROR_SUCCESS) continue;
    ::RegSetValueExA(key.Get(), v.name.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(v.value.c_str()),
                     static_cast<DWORD>(v.value.size() + 1));
  }
  return true;
}

bool ImportRegistryFile(const char* path, const std::string& ownTree) {
  return ImportRegistryFile(WideFromAnsi(path ? path : ""), ownTree);
}

std::string ReadSetupValue(const char* name, const char* keyPath) {
  const std::string fallback = "w";
  ScopedRegKey key;
  if (key.Create(HKEY_LOCAL_MACHINE, keyPath ? keyPath : kDefaultSetupKey) != ERROR_SUCCESS)
    return fallback;
  char buffer[512] = {};
  DWORD size = sizeof(buffer) - 1;
  if (::RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                         &size) != ERROR_SUCCESS)
    return fallback;
  std::string text(buffer, std::find(buffer, buffer + size, '\0'));
  ExpandLineBreakMarks(text);
  return text;
}
