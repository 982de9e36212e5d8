#include "framework/file_sharing.h"

#include "framework/capabilities.h"

ScopedHandle OpenSharingAll(const std::string& path, DWORD access, DWORD flags) {
  constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
  if (MayUse(Capability::ShareDelete)) {
    ScopedHandle opened(
        ::CreateFileA(path.c_str(), access, kShareReadWrite | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, flags, nullptr));
    if (opened.IsValid() || ::GetLastError() != ERROR_INVALID_PARAMETER) return opened;
    // Refused as a parameter: the flag was the reason when the same open succeeds without it.
    ScopedHandle withoutFlag(
        ::CreateFileA(path.c_str(), access, kShareReadWrite, nullptr, OPEN_EXISTING, flags, nullptr));
    if (withoutFlag.IsValid()) MarkMissing(Capability::ShareDelete);
    return withoutFlag;
  }
  return ScopedHandle(::CreateFileA(path.c_str(), access, kShareReadWrite, nullptr, OPEN_EXISTING, flags, nullptr));
}
