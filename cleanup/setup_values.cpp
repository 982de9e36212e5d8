#include "cleanup/setup_values.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "cleanup/setup_file_parser.h"
#include "cleanup/setup_value_text.h"
#include "framework/handles.h"

bool ImportRegistryFile(const char* path) {
  ScopedHandle file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;

  std::vector<char> data(kSetupFileMaxBytes);
  DWORD read = 0;
  const DWORD size = ::GetFileSize(file.Get(), nullptr);
  const DWORD wanted = static_cast<DWORD>(std::min<size_t>(size, kSetupFileMaxBytes));
  if (wanted > 0 && !::ReadFile(file.Get(), data.data(), wanted, &read, nullptr)) read = 0;

  for (const SetupFileValue& v : ParseSetupFile(data.data(), read)) {
    ScopedRegKey key;
    if (key.Create(HKEY_LOCAL_MACHINE, v.key.c_str()) != ERROR_SUCCESS) continue;
    ::RegSetValueExA(key.Get(), v.name.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(v.value.c_str()),
                     static_cast<DWORD>(v.value.size() + 1));
  }
  return true;
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
