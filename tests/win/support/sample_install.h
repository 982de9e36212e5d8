// End-to-end runs: the sample client installed by its set-up program, the real Uninstall.exe
// worked by the sample driver like a person, and a snapshot of the whole Windows before and after.
#pragma once
#include <string>
#include <vector>

#include "support/prefix_snapshot.h"

namespace test {

// The stand-ins' log folder during end-to-end runs (left out of the snapshots).
std::string StandInLogDir();
// The stand-ins' log named name ("Unl" for Unl.log), empty when there is none.
std::string StandInLog(const std::string& name);

// One installation of the sample client; everything it made is removed again when it goes.
class SampleInstallation {
public:
  SampleInstallation();
  ~SampleInstallation();
  SampleInstallation(const SampleInstallation&) = delete;
  SampleInstallation& operator=(const SampleInstallation&) = delete;

  // Runs setup.exe with extra arguments; false (with its output in Output()) when it failed.
  bool Install(const std::string& setupArguments = std::string());
  const std::string& Folder() const { return m_folder; }
  const std::string& Output() const { return m_output; }
  // The set-up's items in snapshot form ("F c:\...", "D ...", "K hklm\...", "V hklm\...|name").
  const std::vector<std::string>& Items() const { return m_items; }
  // The define or language text the installation was made with.
  std::string Define(const char* name) const;
  std::string OtherText(const char* id) const;

  // Removes whatever the installation still has, and what an uninstall adds to the system.
  void Remove();

private:
  std::string m_folder;  // where the set-up puts it: "<Program Files>\Mirel\DornDial"
  std::string m_output;
  std::string m_lang = "zh";
  std::vector<std::string> m_made;   // the manifest's lines as written
  std::vector<std::string> m_items;  // the same in snapshot form
};

// For one run: the installed Uninstall.exe replaced by the build that takes the older routes named
// (see support/fallbacks.h), with UNINSTALL_TEST_FALLBACKS set while the object lives.
class OlderRoutes {
public:
  OlderRoutes(const SampleInstallation& install, const std::string& capabilityNames);
  ~OlderRoutes();
  OlderRoutes(const OlderRoutes&) = delete;
  OlderRoutes& operator=(const OlderRoutes&) = delete;
  bool Ready() const { return m_ready; }

private:
  bool m_ready = false;
};

// Options of the sample driver (see sample-client/driver/driver.cpp).
struct DriveOptions {
  int keepDriver = 1;
  int keepData = 1;
  bool cancel = false;
  bool closeClient = true;
  bool finalYes = true;
  bool keys = false;  // answer with the keyboard instead of clicks
  std::string arguments;  // Uninstall.exe's own command-line switches
  // A command line that starts the uninstall instead, as users and deployment tools do (Wine's
  // Add/Remove Programs tool, an entry's QuietUninstallString); the driver works the program it starts.
  std::string startedBy;
  std::string shots;
  std::string workDir;  // the uninstaller's current folder; empty: its own folder
};

struct UninstallRun {
  long exitCode = -1;
  std::string transcript;  // the driver's lines: "window <kind> ..." and "exit N"
  Snapshot before, after;
  std::vector<std::string> Removed() const { return Minus(before, after); }
  std::vector<std::string> Added() const { return Minus(after, before); }
};

// The snapshot options of the end-to-end tests (temporary and log folders left out).
SnapshotOptions EndToEndSnapshotOptions();

// Runs the installed Uninstall.exe under the given Windows version ("win2k", "winxp", ...)
// through the driver, waits for the finishing program and the portal browser's uninstaller, and
// takes both snapshots.
UninstallRun RunUninstall(const SampleInstallation& install, const std::string& windowsVersion,
                          const DriveOptions& options);

// Readable list for failure messages.
std::string Describe(const std::vector<std::string>& items);

}  // namespace test
