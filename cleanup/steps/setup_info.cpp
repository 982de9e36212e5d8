#include "cleanup/steps/setup_info.h"

#include <cstring>
#include <string>
#include <vector>

#include "cleanup/steps/setup_values.h"
#include "framework/handles.h"

namespace {

// ReadSetupValue answers "w" for a value it cannot read; neither that nor an empty text (which
// would address HKEY_LOCAL_MACHINE itself) names a setup-information key.
std::string SetupInfoKeyPath() {
  const std::string configured = ReadSetupValue("SetupInfoRegPath");
  if (configured.empty() || configured == "w") return kBuiltInSetupInfoKey;
  return configured;
}

}  // namespace

TrustVerdict JudgeSetupInformation(std::string& key) {
  const std::string path = SetupInfoKeyPath();
  key = "HKLM\\" + path;
  // The key that named it steers the removal as well: judged when it named another key.
  if (path != kBuiltInSetupInfoKey) {
    ScopedRegKey setup;
    if (setup.Open(HKEY_LOCAL_MACHINE, kDefaultSetupKey) == ERROR_SUCCESS) {
      const TrustVerdict named = JudgeKey(setup.Get(), std::string("HKLM\\") + kDefaultSetupKey);
      if (!named.trusted) return named;
    }
  }
  ScopedRegKey info;
  const LONG opened = info.Open(HKEY_LOCAL_MACHINE, path.c_str());
  if (opened == ERROR_FILE_NOT_FOUND) return TrustVerdict{};
  if (opened != ERROR_SUCCESS)
    return TrustVerdict{false, key + (opened == ERROR_CANT_ACCESS_FILE ? ": a step of it is a registry link" : ": it cannot be opened")};
  return JudgeKey(info.Get(), key);
}

BOOL ReadSetupInfoValue(const char* name, char* buffer, DWORD bufferSize, const char* keyPath) {
  if (!buffer || bufferSize == 0) return FALSE;
  const std::string path = keyPath ? std::string(keyPath) + "\\" : SetupInfoKeyPath();

  // Only opened: reading must leave no empty key behind when the information is gone.
  ScopedRegKey key;
  if (key.Open(HKEY_LOCAL_MACHINE, path.c_str()) != ERROR_SUCCESS) return FALSE;

  // Read into a buffer of our own so a failed or oversized read leaves the caller's untouched.
  std::vector<char> data(bufferSize, '\0');
  DWORD size = bufferSize;
  if (::RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()),
                         &size) != ERROR_SUCCESS)
    return FALSE;
  // Data stored without its zero still has to come back as a terminated text.
  if (size == 0 || data[size - 1] != '\0') {
    if (size >= bufferSize) return FALSE;
    data[size++] = '\0';
  }
  std::memcpy(buffer, data.data(), size);
  return TRUE;
}
