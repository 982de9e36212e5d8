// The application object: owns what lives for the whole run, and runs the whole uninstall
// inside InitInstance.
#pragma once
#include <windows.h>

#include "framework/win_app.h"
#include "language/language_pack.h"

class CProgressDlg;

class CUninstallApp : public CWinApp {
public:
  CUninstallApp();
  ~CUninstallApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;

  int m_bKeepCardDriver = 0;  // 1: keep the data-card driver
  int m_bDeleteUserData = 0;  // 1: delete the user's data folder (its check box was unchecked)
  CProgressDlg* m_pProgressDlg = nullptr;  // created in InitInstance, never deleted
  CLanguagePack m_langPack;
};

// The one application object of the process (Uninstall.exe's, or a test's own).
CUninstallApp& GetUninstallApp();

// The dialogs' font, copied from the language pack after it loads (may be null). The pack owns it.
extern HFONT g_hDialogFont;
