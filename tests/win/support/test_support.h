// Helpers for the Windows tests: real temporary folders and registry keys that clean up after
// themselves, files, child processes, and polling with generous limits instead of sleeps.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "cleanup/trust/approved_path.h"
#include "framework/handles.h"

namespace test {

// The folder of the running test program (build/win/bin).
std::string ExeDir();
// The folder of the sample client's stand-ins (build/win/sample-client).
std::string SampleClientDir();
// The folder of the product (where Uninstall.exe is built).
std::string ProductDir();

// A fresh, empty folder below %TEMP%, deleted with everything in it when the object goes.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return m_path; }
  // Path() + "\" + name
  std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
  std::string m_path;
};

// A unique key below HKEY_LOCAL_MACHINE\SOFTWARE\UninstallTests, deleted with its tree at the end.
class TempRegKey {
public:
  TempRegKey();
  ~TempRegKey();
  TempRegKey(const TempRegKey&) = delete;
  TempRegKey& operator=(const TempRegKey&) = delete;
  const std::string& Path() const { return m_path; }  // below HKEY_LOCAL_MACHINE, no trailing "\"

private:
  std::string m_path;
};

// Removes a key and its tree below root; true when it is gone afterwards.
bool DeleteKeyTree(HKEY root, const std::string& path);
bool KeyExists(HKEY root, const std::string& path);
// Makes root\path a registry symbolic link to the key target names ("\Registry\Machine\...").
bool MakeRegistryLink(HKEY root, const std::string& path, const std::wstring& target);
// Gives the key at root\path the owner and DACL an SDDL text describes.
bool SetKeySecurity(HKEY root, const std::string& path, const std::string& sddl);
// A REG_SZ value; false when the key or value is missing.
bool ReadRegString(HKEY root, const std::string& path, const char* name, std::string& value);
bool WriteRegString(HKEY root, const std::string& path, const char* name, const std::string& value);

bool WriteFileBytes(const std::string& path, const std::string& bytes);
// A small file at a path that may hold any character (UTF-16).
bool WriteWideNamedFile(const std::wstring& path);
bool ReadFileBytes(const std::string& path, std::string& bytes);
bool FileExists(const std::string& path);
// Recursively deletes a folder, resetting attributes first.
void RemoveTree(const std::string& path);

// A mutex of the name in the root of the object namespace, made (or opened) and owned by this
// thread; invalid when it cannot be.
ScopedHandle HoldRootMutex(const std::wstring& name);

// Starts a command line (working directory optional) and waits for it to end. Returns the exit
// code, or -1 when it could not start or did not end within timeoutMs (then it is killed).
long RunAndWait(const std::string& commandLine, DWORD timeoutMs = 60000,
                const std::string& workDir = std::string());

// As RunAndWait, with everything the program writes to its standard output and error in output.
long RunAndCapture(const std::string& commandLine, std::string& output, DWORD timeoutMs = 60000,
                   const std::string& workDir = std::string());

// Polls cond every 20 ms until it is true or timeoutMs has passed; returns its last answer.
bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs = 20000);

// Makes linkPath a Unix symbolic link to the folder or file targetPath (both Windows paths of the
// prefix); Wine shows a link to a folder as a folder with the reparse-point attribute. False
// where that cannot be done (not under Wine).
bool MakeUnixLink(const std::string& linkPath, const std::string& targetPath);
// Removes such a link itself, which Wine's own calls cannot do (they reach the target).
bool RemoveUnixLink(const std::string& linkPath);

// The path by Wine's Z: drive, the Unix root ("Z:\\home\\...\\drive_c\\windows"); empty off Wine.
std::string ZDrivePathOf(const std::string& path);
// Maps a drive letter onto a folder as a link in the prefix's "dosdevices" (what SUBST does on
// Windows), and removes it again.
bool MapDriveLetter(char letter, const std::string& targetPath);
bool UnmapDriveLetter(char letter);

// Routes to a folder other than its own name, made for a test and undone at its end: a link
// "C:\route-link" to it (a link as the last step, and with steps after it as an earlier one), the
// drive letter W: mapped onto it, and Wine's Z: drive.
class OtherRoutes {
public:
  static constexpr char kDrive = 'W';
  explicit OtherRoutes(const std::string& target);
  ~OtherRoutes();
  OtherRoutes(const OtherRoutes&) = delete;
  OtherRoutes& operator=(const OtherRoutes&) = delete;
  bool Made() const { return m_made && !m_zPath.empty(); }
  const std::string& Link() const { return m_link; }
  std::string Drive() const { return std::string(1, kDrive) + ":"; }
  const std::string& ZPath() const { return m_zPath; }

private:
  std::string m_link, m_zPath;
  bool m_made = false;
};

// The folder as the path rule of this system approves it (refused when the rule refuses it); the
// rule is gathered once per test program.
ApprovedPath ApprovedByTheRule(const std::string& path);

// Sets the Windows version Wine reports to a program ("win98", "winxp", ...); empty removes it.
void SetWineVersionFor(const std::string& exeName, const std::string& version);
// Has Wine load the libraries named ("rasapi32.dll") for a program as Windows loads a library that
// is not a known system library: a copy found first on the search path before the system's own;
// an empty list removes that again.
void SetWineNativeFirstFor(const std::string& exeName, const std::vector<std::string>& libraries);
// Gives Everyone the right to change the file or folder (under Wine: Unix mode 0777, which it
// reports as Everyone with write rights). False where that cannot be done (not under Wine).
bool LetEveryoneChange(const std::string& path);
// Takes that right back again (Unix mode without group and others' writing).
bool LetOnlyItsOwnerChange(const std::string& path);
// The same for a folder and everything in it, its path of any characters.
bool LetEveryoneChange(const std::wstring& path);
// A link to a file or folder whose path may hold any character; the link's own path is text.
bool MakeUnixLink(const std::string& linkPath, const std::wstring& targetPath);
// Removes a folder with everything in it, links as links, its path of any characters.
bool RemoveUnixTree(const std::wstring& path);

}  // namespace test
