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
