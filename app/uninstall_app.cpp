#include "app/uninstall_app.h"

#include <new>

#include "app/shared_helpers.h"
#include "app/startup.h"
#include "cleanup/file_ops.h"
#include "cleanup/setup_values.h"
#include "cleanup/shell_notifier.h"
#include "procedures/launchers.h"
#include "ui/confirm_dlg.h"
#include "ui/progress_dlg.h"

HFONT g_hDialogFont = nullptr;

CUninstallApp::CUninstallApp() = default;

CUninstallApp::~CUninstallApp() = default;

BOOL CUninstallApp::InitInstance() {
  std::string moduleDir;
  GetModuleDir(moduleDir);
  switch (StartAndConfirm(moduleDir)) {
    case StartupResult::PackNotLoaded:
      return TRUE;
    case StartupResult::Cancelled:
      return FALSE;
    case StartupResult::Confirmed:
      break;
  }
  switch (ChooseUninstallProcedure(moduleDir)) {
    case UninstallProcedure::SetupType:
      RunSetupTypeUninstall(*this);
      return FALSE;
    case UninstallProcedure::DetectorMissing:
      return FALSE;
    case UninstallProcedure::Full:
      RunFullUninstall(*this);
      break;
    case UninstallProcedure::Legacy:
      RunLegacyUninstall(*this);
      break;
    case UninstallProcedure::None:
      break;
  }
  return TRUE;
}

CUninstallApp::StartupResult CUninstallApp::StartAndConfirm(const std::string& moduleDir) {
  // Asked before anything is loaded, so the failure message follows the system's language.
  const PackFailureMessage failure = PackFailureMessageFor(m_langPack.GetLanguageCode());
  if (!m_langPack.IsLoaded() && !m_langPack.Load(moduleDir.c_str(), "Language.xml")) {
    ::MessageBoxA(nullptr, failure.text, failure.caption, MB_OK);
    return StartupResult::PackNotLoaded;
  }
  g_hDialogFont = m_langPack.GetFont();
  m_skinHook.Install();

  // Before the question, so the setup values are in the registry even when the user cancels.
  ImportRegistryFile((moduleDir + "\\Uninstall.bin").c_str());

  if (!m_pProgressDlg) m_pProgressDlg = new (std::nothrow) CProgressDlg(nullptr);

  CConfirmDlg confirm(nullptr);
  // Only OK confirms: a dialog that could not even be shown asked nothing.
  if (confirm.DoModal() != IDOK) return StartupResult::Cancelled;
  m_bKeepCardDriver = confirm.m_nKeepDriver;
  // A checked user-data box keeps the data; an unchecked one has them deleted.
  m_bDeleteUserData = confirm.m_nUserDataState == 0 ? 1 : 0;
  return StartupResult::Confirmed;
}

int CUninstallApp::ExitInstance() {
  // A missing file counts as deleted, so this is safe on every path.
  ForceDeleteFile(kDetectorCopyPath);
  FlushShellNotifications();
  m_skinHook.Remove();
  return CWinApp::ExitInstance();
}

CUninstallApp& GetUninstallApp() { return *static_cast<CUninstallApp*>(CWinApp::GetApp()); }
