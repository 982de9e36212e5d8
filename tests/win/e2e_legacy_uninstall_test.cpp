// The uninstall on the older systems (Windows 98, Me, NT 4.0) and for the SetupType
// installations, end to end: the sample client installed, the real Uninstall.exe worked like a
// person, and the whole Windows compared before and after with exactly what should have gone.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/startup.h"
#include "support/killed_run.h"
#include "support/sample_install.h"
#include "support/shell_layout.h"
#include "support/test_support.h"
#include "support/uninstall_expectations.h"

namespace {

using test::DriveOptions;
using test::Expectation;
using test::Procedure;
using test::SampleInstallation;
using test::UninstallRun;

class OlderAndSetupTypeUninstall : public ::testing::Test {
protected:
  void Install(const std::string& args = std::string()) { ASSERT_TRUE(m_install.Install(args)) << m_install.Output(); }
  void ExpectFootprint(const UninstallRun& run, const Expectation& e) { test::ExpectFootprint(m_install, run, e); }
  SampleInstallation m_install;
};

// Each system with its shell folders laid out as it keeps them, below the Windows folder, where
// another program's shortcuts and the system's own files lie beside the client's: the client's
// shortcuts, its group and its Quick Launch shortcut go, nothing else does.
TEST_F(OlderAndSetupTypeUninstall, LegacyProcedureOnEachOlderSystem) {
  struct Case { const char* os; int keepDriver; bool finalYes; const char* olderRoutes = ""; } cases[] = {
      {"win98", 1, true}, {"win98", 0, false}, {"winme", 0, true}, {"winme", 1, false}, {"nt40", 1, true},
      {"nt40", 0, false},
      // Windows 98 itself: without the NT family's calls (folders by their path text, no security).
      {"win98", 0, true, "win9x"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.os) + " keep-driver " + std::to_string(c.keepDriver) + (c.finalYes ? " yes" : " no") +
                 " without " + c.olderRoutes);
    const test::COlderShellLayout layout(std::string(c.os) == "nt40" ? "nt40" : "win9x");
    ASSERT_TRUE(layout.Ready());
    Install();
    std::unique_ptr<test::OlderRoutes> olderRoutes;
    if (*c.olderRoutes) {
      olderRoutes = std::make_unique<test::OlderRoutes>(m_install, c.olderRoutes);
      ASSERT_TRUE(olderRoutes->Ready());
    }
    DriveOptions drive;
    drive.keepDriver = c.keepDriver;
    drive.finalYes = c.finalYes;
    const std::string log = test::StandInLogDir() + "\\legacy.log";
    DeleteFileA(log.c_str());
    drive.arguments = "\"/LOG=" + log + "\"";
    const UninstallRun run = test::RunUninstall(m_install, c.os, drive);
    // What an earlier step removed is missing to a later one, also below the Windows folder.
    std::string text;
    ASSERT_TRUE(test::ReadFileBytes(log, text));
    EXPECT_EQ(std::string::npos, text.find("refused by the path rule")) << text;
    EXPECT_EQ(std::string::npos, text.find("could not be removed")) << text;
    // Confirmation, progress, then the closing question.
    const size_t progress = run.transcript.find("window progress");
    const size_t question = run.transcript.find("window question");
    EXPECT_TRUE(progress < question && question != std::string::npos) << run.transcript;
    Expectation e;
    e.procedure = Procedure::Legacy;
    e.os = c.os;
    ExpectFootprint(run, e);
    EXPECT_EQ(c.keepDriver == 0, test::StandInLog("DriverSetup").find("UninstallAllDriver") != std::string::npos);
    // The protocol went through the detector tool: seven removals.
    const std::string detector = test::StandInLog("Ipdetect");
    size_t removals = 0;
    for (size_t at = detector.find(" -u"); at != std::string::npos; at = detector.find(" -u", at + 1)) ++removals;
    EXPECT_EQ(7u, removals) << detector;
    const std::string unl = test::StandInLog("Unl");
    EXPECT_NE(std::string::npos, unl.find(std::string(c.finalYes ? "12," : "11,") + UninstallerPathForFinishing(m_install, e)))
        << unl;
    // After Yes the detector's copy is gone before the finishing program starts (after No it
    // goes at the program's exit, which may come before or after that start).
    if (c.finalYes) {
      EXPECT_EQ(std::string::npos, unl.find("c:\\Ipdetect.exe present")) << unl;
    }
    EXPECT_FALSE(test::FileExists("c:\\Ipdetect.exe"));
    m_install.Remove();
  }
}

TEST_F(OlderAndSetupTypeUninstall, MissingDetectorToolEndsSilently) {
  Install("/no-ipdetect");
  const UninstallRun run = test::RunUninstall(m_install, "win98", DriveOptions());
  EXPECT_EQ(std::string::npos, run.transcript.find("window progress")) << run.transcript;
  EXPECT_EQ(std::string::npos, run.transcript.find("window question")) << run.transcript;
  EXPECT_EQ(test::Describe({}), test::Describe(run.Removed()));
  // Start-up has copied the finishing program before it looked for the detector tool.
  Expectation legacy;
  legacy.procedure = Procedure::Legacy;
  EXPECT_EQ(test::ExpectedAdditions(legacy), test::WithoutImportedSetupValues(run.Added()));
}

TEST_F(OlderAndSetupTypeUninstall, SetupTypeProcedureOnNewAndOldSystems) {
  struct Case { const char* setupType; const char* os; } cases[] = {
      {"30", "winxp"}, {"30", "win98"}, {"35", "win10"}, {"35", "winme"}, {"39", "win2k"}, {"39", "nt40"},
      {"31", "winxp"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("SetupType ") + c.setupType + " on " + c.os);
    Install(std::string("/setup-type ") + c.setupType);
    const UninstallRun run = test::RunUninstall(m_install, c.os, DriveOptions());
    EXPECT_NE(std::string::npos, run.transcript.find("window question")) << run.transcript;
    Expectation e;
    e.procedure = Procedure::SetupType;
    e.os = c.os;
    ExpectFootprint(run, e);
    // No driver, no detector tool, and no finishing program (it was never copied).
    EXPECT_EQ("", test::StandInLog("DriverSetup"));
    EXPECT_EQ("", test::StandInLog("Ipdetect"));
    EXPECT_EQ("", test::StandInLog("Unl"));
    m_install.Remove();
  }
}

TEST_F(OlderAndSetupTypeUninstall, Lnk2WithoutAFolderEndsBothWorkersAndIsNoSuccess) {
  for (const char* setupType : {"", "30"}) {
    SCOPED_TRACE(*setupType ? "SetupType worker" : "legacy worker");
    Install(std::string("/lnk2 Uninstall.lnk") + (*setupType ? std::string(" /setup-type ") + setupType : ""));
    const UninstallRun run = test::RunUninstall(m_install, "win98", DriveOptions());
    EXPECT_EQ(1603, run.exitCode) << run.transcript;
    // No closing question: the user is told that the uninstall could not be completed.
    EXPECT_EQ(std::string::npos, run.transcript.find("window question")) << run.transcript;
    EXPECT_NE(std::string::npos, run.transcript.find(IncompleteUninstallMessageFor(0).text)) << run.transcript;
    EXPECT_EQ("", test::StandInLog("Unl"));
    Expectation e;
    e.procedure = *setupType ? Procedure::SetupType : Procedure::Legacy;
    e.os = "win98";
    e.endsAtLnk2 = true;
    ExpectFootprint(run, e);
    m_install.Remove();
  }
}

// Ended by force at a step of its timeline, then started again from the installation folder:
// the next run finishes the same procedure, and the machine ends as after one uninterrupted run.
TEST_F(OlderAndSetupTypeUninstall, ARunEndedAtAnyStepIsFinishedByTheNextRun) {
  struct KillPoint { const char* setupType; const char* marker; } points[] = {
      {"", "legacy procedure"}, {"", "installation"}, {"", "closing"}, {"", "removing the entries"},
      {"30", "installation"}, {"30", "closing"}};
  for (const KillPoint& k : points) {
    SCOPED_TRACE(std::string(*k.setupType ? "SetupType " : "legacy ") + k.marker);
    Install(*k.setupType ? std::string("/setup-type ") + k.setupType : std::string());
    const test::Snapshot before = test::TakeSnapshot(test::EndToEndSnapshotOptions());
    ASSERT_TRUE(test::KillUninstallAt(m_install, "win98", "/S /KEEPDRIVER=0", k.marker));
    DriveOptions drive;
    drive.arguments = "/S";
    UninstallRun run = test::RunUninstall(m_install, "win98", drive);
    run.before = before;
    // The SetupType procedure leaves the drivers alone.
    EXPECT_EQ(*k.setupType ? 0 : 3010, run.exitCode) << run.transcript;
    Expectation e;
    e.procedure = *k.setupType ? Procedure::SetupType : Procedure::Legacy;
    e.os = "win98";
    ExpectFootprint(run, e);
    if (!*k.setupType) {
      EXPECT_NE(std::string::npos, test::StandInLog("Unl").find("11,")) << test::StandInLog("Unl");
    }
    m_install.Remove();
  }
}

}  // namespace
