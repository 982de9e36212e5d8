#include "support/sample_install.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "language/language_pack.h"
#include "sample-client/common/process_list.h"
#include "support/test_support.h"

namespace test {

std::string StandInLogDir() { return "C:\\sample-logs"; }

std::string StandInLog(const std::string& name) {
  std::string text;
  ReadFileBytes(StandInLogDir() + "\\" + name + ".log", text);
  return text;
}

namespace {

// "F C:\Program Files\x" -> "F c:\program files\x"; "V HKLM\A|Name" -> "V hklm\a|name".
std::string ToSnapshotItem(const std::string& line) { return line.substr(0, 2) + LowerPath(line.substr(2)); }

void DeleteManifestItem(const std::string& line) {
  const char kind = line[0];
  const std::string item = line.substr(2);
  if (kind == 'F') {
    ::SetFileAttributesA(item.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(item.c_str());
  } else if (kind == 'D') {
    RemoveTree(item);
  } else if (kind == 'K' && item.compare(0, 5, "HKLM\\") == 0) {
    DeleteKeyTree(HKEY_LOCAL_MACHINE, item.substr(5));
  }
}

// A text as one quoted argument of the driver: its quotes escaped (none follows a backslash here).
std::string EscapedQuotes(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '"' ? std::string("\\\"") : std::string(1, c);
  return out;
}

}  // namespace

SampleInstallation::SampleInstallation() {
  char programFiles[MAX_PATH] = "C:\\Program Files";
  ::SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles);
  m_folder = std::string(programFiles) + "\\Mirel\\DornDial";
  ::CreateDirectoryA(StandInLogDir().c_str(), nullptr);
  ::SetEnvironmentVariableA("SAMPLE_CLIENT_LOG_DIR", StandInLogDir().c_str());
}

SampleInstallation::~SampleInstallation() { Remove(); }

bool SampleInstallation::Install(const std::string& setupArguments) {
  Remove();
  const std::string manifest = StandInLogDir() + "\\setup-manifest.txt";
  // A manifest left behind names what an installation of a test program that was ended half-way
  // made: the set-up records only what it makes, so anything still there would not count as
  // this installation's.
  std::string leftOver;
  if (ReadFileBytes(manifest, leftOver)) {
    std::istringstream lines(leftOver);
    std::vector<std::string> made;
    for (std::string line; std::getline(lines, line);)
      if (line.size() >= 3) made.push_back(line);
    for (auto it = made.rbegin(); it != made.rend(); ++it) DeleteManifestItem(*it);
  }
  ::DeleteFileA(manifest.c_str());
  if (setupArguments.find("/lang en") != std::string::npos) m_lang = "en";
  const long code = RunAndCapture("\"" + SampleClientDir() + "\\setup.exe\" /manifest \"" + manifest + "\" " +
                                      setupArguments,
                                  m_output, 120000);
  std::string text;
  ReadFileBytes(manifest, text);
  std::istringstream lines(text);
  std::string line;
  m_items.clear();
  m_made.clear();
  while (std::getline(lines, line)) {
    if (line.size() < 3) continue;
    m_made.push_back(line);
    m_items.push_back(ToSnapshotItem(line));
  }
  if (code != 0) m_output += "\nsetup.exe exited with " + std::to_string(code);
  return code == 0;
}

std::string SampleInstallation::Define(const char* name) const {
  CLanguagePack pack;
  pack.Load(SampleClientDir().c_str(), m_lang == "en" ? "Language.en.xml" : "Language.xml");
  return pack.GetDefine(name);
}

std::string SampleInstallation::OtherText(const char* id) const {
  CLanguagePack pack;
  pack.Load(SampleClientDir().c_str(), m_lang == "en" ? "Language.en.xml" : "Language.xml");
  char text[1024] = {};
  pack.GetText("uninstall", "other", id, text, sizeof(text));
  return text;
}

void SampleInstallation::Remove() {
  // Files first, then keys and folders, deepest last-made first.
  for (auto it = m_made.rbegin(); it != m_made.rend(); ++it) DeleteManifestItem(*it);
  m_made.clear();
  m_items.clear();
  char systemDir[MAX_PATH] = {};
  ::GetSystemDirectoryA(systemDir, MAX_PATH);
  for (const char* name : {"\\Unl.exe", "\\RegisterError.log"}) {
    const std::string path = std::string(systemDir) + name;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
  }
  ::DeleteFileA("c:\\Ipdetect.exe");
  // What an earlier, interrupted run may have left where the set-up writes, so every run starts
  // from the same Windows whatever came before it.
  DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Mirel_Mini");
  DeleteKeyTree(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\DornPPPoE");
  // The test Windows has no other product sharing the PPPoE component.
  DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\BriskoPPPOE");
  for (const char* entry : {"UNINSTALL_KEY", "PROGRAME_ENG_NAME"}) {
    const std::string name = Define(entry);
    if (!name.empty())
      DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name);
  }
  RemoveTree(m_folder);
  char appData[MAX_PATH] = {};
  if (SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)))
    RemoveTree(std::string(appData) + "\\Teloris");
  // The logs of one run must not be read by the next.
  WIN32_FIND_DATAA fd;
  HANDLE h = ::FindFirstFileA((StandInLogDir() + "\\*.log").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do ::DeleteFileA((StandInLogDir() + "\\" + fd.cFileName).c_str());
    while (::FindNextFileA(h, &fd));
    ::FindClose(h);
  }
}

SnapshotOptions EndToEndSnapshotOptions() {
  SnapshotOptions o;
  char temp[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, temp);
  std::string t = LowerPath(temp);
  while (!t.empty() && t.back() == '\\') t.pop_back();
  o.skipFolders = {t, LowerPath(StandInLogDir()), "c:\\windows\\temp", "c:\\windows\\logs"};
  return o;
}


OlderRoutes::OlderRoutes(const SampleInstallation& install, const std::string& capabilityNames) {
  m_ready = ::CopyFileA((ExeDir() + "\\uninstall_with_fallbacks.exe").c_str(), (install.Folder() + "\\Uninstall.exe").c_str(),
                        FALSE) &&
            ::SetEnvironmentVariableA("UNINSTALL_TEST_FALLBACKS", capabilityNames.c_str());
}

OlderRoutes::~OlderRoutes() { ::SetEnvironmentVariableA("UNINSTALL_TEST_FALLBACKS", nullptr); }

UninstallRun RunUninstall(const SampleInstallation& install, const std::string& windowsVersion,
                          const DriveOptions& options) {
  UninstallRun run;
  SetWineVersionFor("Uninstall.exe", windowsVersion);
  run.before = TakeSnapshot(EndToEndSnapshotOptions());
  std::ostringstream cmd;
  cmd << "\"" << SampleClientDir() << "\\driver.exe\" --exe \"" << install.Folder() << "\\Uninstall.exe\""
      << " --keep-driver " << options.keepDriver << " --keep-data " << options.keepData
      << " --close-client " << (options.closeClient ? "yes" : "no") << " --final " << (options.finalYes ? "yes" : "no");
  if (options.cancel) cmd << " --cancel";
  if (options.keys) cmd << " --keys";
  if (!options.arguments.empty()) {
    // One argument of the driver's: quotes inside it are escaped (none follows a backslash here).
    std::string quoted;
    for (char c : options.arguments) quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
    cmd << " --args \"" << quoted << "\"";
  }
  if (!options.shots.empty()) cmd << " --shots \"" << options.shots << "\"";
  if (!options.workDir.empty()) cmd << " --dir \"" << options.workDir << "\"";
  if (!options.startedBy.empty()) cmd << " --start \"" << EscapedQuotes(options.startedBy) << "\"";
  run.exitCode = RunAndCapture(cmd.str(), run.transcript, 300000);
  // The finishing program and the browser's uninstaller go on after the uninstaller has ended.
  WaitUntil([] { return !stand_in::IsProgramRunning("Unl.exe") && !stand_in::IsProgramRunning("Unin.exe"); },
            120000);
  run.after = TakeSnapshot(EndToEndSnapshotOptions());
  SetWineVersionFor("Uninstall.exe", "");
  return run;
}

std::string Describe(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& i : items) out += "\n    " + i;
  return out.empty() ? " (none)" : out;
}

}  // namespace test
