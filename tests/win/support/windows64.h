// The end-to-end rows of a 64-bit Windows: the 32-bit programs run there under WoW64, in a prefix
// of their own that CTest marks with UNINSTALL_TEST_WINDOWS=64.
#pragma once
#include <windows.h>

#include <string>

namespace test {

// Whether this run is the one for the 64-bit Windows rows.
bool In64BitWindows();
// Whether this process is a 32-bit program under WoW64.
bool RunningUnderWow64();
// The 64-bit Program Files folder, which a 32-bit program under WoW64 finds only by name.
std::string ProgramFiles64();
// The system folder of a 32-bit program as it lies on the disk: under WoW64 the 32-bit one.
std::string SystemFolderOnDisk();

// While it lives, this thread sees the disk as it is: WoW64 does not redirect system32 to
// SysWOW64 (nothing changes elsewhere).
class NativeFileView {
public:
  NativeFileView();
  ~NativeFileView();
  NativeFileView(const NativeFileView&) = delete;
  NativeFileView& operator=(const NativeFileView&) = delete;

private:
  void* m_old = nullptr;
  bool m_disabled = false;
};

// Another product's key with one value below HKEY_LOCAL_MACHINE in one registry view
// (KEY_WOW64_64KEY or KEY_WOW64_32KEY), removed with its tree when the object goes.
class OtherProductKey {
public:
  OtherProductKey(const std::string& path, REGSAM view);
  ~OtherProductKey();
  OtherProductKey(const OtherProductKey&) = delete;
  OtherProductKey& operator=(const OtherProductKey&) = delete;
  bool Exists() const;

private:
  std::string m_path;
  REGSAM m_view;
};

}  // namespace test
