#include "support/uninstall_expectations.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <set>

#include "support/windows64.h"

namespace test {

namespace {

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  ::SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
  return LowerPath(path);
}

bool Below(const std::string& path, const std::string& folder) {
  return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                            (path[folder.size()] == '\\' || path[folder.size()] == '|'));
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

const char kClientTree[] = "hklm\\software\\mirel_mini";

}  // namespace

bool VendorFolderGoes(const Expectation& e) {
  return !e.nothingRemoved && !e.endsAtLnk2 && e.procedure != Procedure::SetupType && !e.mainProgramLocked &&
         e.heldFile.empty() && !e.vendorFolderStays;
}

std::string UninstallerPathForFinishing(const SampleInstallation& install, const Expectation& e) {
  const std::string folder = install.Folder();
  return (VendorFolderGoes(e) ? folder.substr(0, folder.rfind('\\')) : folder) + "\\Uninstall.exe";
}

std::vector<std::string> ExpectedRemovals(const SampleInstallation& install, const Expectation& e) {
  std::vector<std::string> removed;
  if (e.nothingRemoved) return removed;
  const bool full = e.procedure == Procedure::Full;
  const bool legacy = e.procedure == Procedure::Legacy;
  const bool setupType = e.procedure == Procedure::SetupType;
  const bool pastLnk2 = !e.endsAtLnk2;  // the worker went beyond the "lnk2" test
  // After an early end the launcher removes nothing more and starts no companion program.
  const bool completed = pastLnk2;
  // The finishing program is copied into the system directory by start-up, except on the
  // SetupType path, where it is therefore missing and never starts.
  const bool finishing = !setupType && completed;

  const std::string folder = LowerPath(install.Folder());
  const std::string programLnk = LowerPath(install.Define("PROGRAM_NAME")) + ".lnk";
  const std::string mainProgram = folder + "\\" + LowerPath(install.Define("PROGRAM_FILENAME"));
  const std::string teloris = ShellFolder(CSIDL_APPDATA) + "\\teloris";
  const std::string group = ShellFolder(CSIDL_PROGRAMS) + "\\" + LowerPath(install.Define("PROGRAM_CLIENT_NAME"));
  const std::string titleLnk = LowerPath(install.OtherText("TEXT1")) + ".lnk";
  // The program's shortcuts in the shell folders lead to the main program: where a worker does not
  // name them, they go as dead shortcuts once the installation's files are gone.
  const bool mainProgramGone = !e.mainProgramLocked && (e.heldFile.empty() || LowerPath(e.heldFile) != mainProgram);
  const std::set<std::string> desktopProgramLnks = {ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + programLnk,
                                                    ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\" + programLnk};
  // Removed only after the "lnk2" test: the real "lnk2" (when its value names no folder) and the
  // title shortcut beside it.
  const std::set<std::string> besideLnk2 = {group + "\\uninstall " + programLnk, group + "\\" + titleLnk};
  // The full worker empties the installation folder in its last phase, after the "lnk2" test;
  // the other two workers before it.
  const bool folderEmptied = full ? pastLnk2 : true;

  for (const std::string& item : install.Items()) {
    const bool file = item[0] == 'F', dir = item[0] == 'D';
    const std::string path = item.substr(2);
    bool gone = false;
    if ((file || dir) && Below(path, folder)) {
      if (!e.heldFile.empty() && Below(LowerPath(e.heldFile), path)) gone = false;
      else if (path == mainProgram) gone = !e.mainProgramLocked;
      // The browser's files go through the browser's own uninstaller, the uninstaller itself and
      // the emptied folder through the finishing program.
      else if (Below(path, folder + "\\pavobrowser")) gone = completed;
      else if (path == folder + "\\uninstall.exe") gone = finishing;
      // The uninstaller's companions stay until the entries go, so it can always run again.
      else if (path == folder + "\\language.xml" || path == folder + "\\uninstall.bin") gone = completed;
      else if (path == folder) gone = finishing && folderEmptied && !e.mainProgramLocked;
      else gone = folderEmptied;
    } else if ((file || dir) && Below(path, teloris)) {
      const bool holdsTheHeldFile = !e.heldFile.empty() && Below(LowerPath(e.heldFile), path);
      gone = full && pastLnk2 && e.keepData == 0 && !holdsTheHeldFile;
    } else if (file && EndsWith(path, ".lnk")) {
      const bool inShellFolder = EndsWith(path, "\\" + programLnk) && !Below(path, group);
      if (besideLnk2.count(path)) gone = pastLnk2;
      else if (inShellFolder) gone = legacy || (full && desktopProgramLnks.count(path) == 0) || (pastLnk2 && mainProgramGone);
      else gone = true;  // the recorded shortcuts and the desktop's title shortcut
    } else if (dir) {
      gone = (path == group && pastLnk2) || (path == folder.substr(0, folder.rfind('\\')) && VendorFolderGoes(e));
    } else if (Below(path, "hklm\\software\\microsoft\\windows\\currentversion\\uninstall")) {
      const std::string engEntry = "hklm\\software\\microsoft\\windows\\currentversion\\uninstall\\" +
                                   LowerPath(install.Define("PROGRAME_ENG_NAME"));
      gone = completed && (full || !Below(path, engEntry));
    } else if (Below(path, kClientTree)) {
      gone = pastLnk2 && (full || (legacy && Below(path, "hklm\\software\\mirel_mini\\dorn_pppoe2\\systemset")));
    } else if (Below(path, "hklm\\system\\currentcontrolset\\services\\dornpppoe")) {
      gone = pastLnk2 && !setupType;
    } else if (path == "hklm\\software\\briskopppoe\\setupinfo|mirel_mini") {
      gone = full && e.os == "win2k";
    } else if (path == "hklm\\software\\briskopppoe\\setupinfo") {
      gone = full && e.os == "win2k" && !e.otherPppoe;
    }
    if (gone) removed.push_back(item);
  }
  removed.insert(removed.end(), e.alsoRemoved.begin(), e.alsoRemoved.end());
  std::sort(removed.begin(), removed.end());
  return removed;
}

std::vector<std::string> ExpectedAdditions(const Expectation& e) {
  if (e.procedure == Procedure::SetupType) return {};
  // The system folder of a 32-bit program; under WoW64 that is SysWOW64 on the disk.
  std::vector<std::string> added = {"F " + LowerPath(SystemFolderOnDisk()) + "\\unl.exe"};
  // Windows 95, 98 and Me keep what goes at the restart in WININIT.INI.
  if ((e.mainProgramLocked || !e.heldFile.empty()) && (e.os == "win98" || e.os == "winme")) {
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    added.push_back("F " + LowerPath(windows) + "\\wininit.ini");
  }
  return added;
}

std::vector<std::string> WithoutImportedSetupValues(const std::vector<std::string>& items) {
  std::vector<std::string> out;
  for (const std::string& item : items)
    if (!Below(item.substr(2), kClientTree)) out.push_back(item);
  return out;
}

void ExpectFootprint(const SampleInstallation& install, const UninstallRun& run, const Expectation& e) {
  const std::vector<std::string> expected = ExpectedRemovals(install, e);
  const std::vector<std::string> removed = run.Removed();
  EXPECT_EQ(expected, removed) << "expected removals:" << Describe(expected) << "\nactual removals:" << Describe(removed)
                               << "\ntranscript:\n" << run.transcript;
  const std::vector<std::string> added = WithoutImportedSetupValues(run.Added());
  EXPECT_EQ(ExpectedAdditions(e), added) << "added:" << Describe(added);
}

}  // namespace test
