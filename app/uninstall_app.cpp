#include "app/uninstall_app.h"

HFONT g_hDialogFont = nullptr;

CUninstallApp::CUninstallApp() = default;

CUninstallApp::~CUninstallApp() = default;

BOOL CUninstallApp::InitInstance() { return TRUE; }

int CUninstallApp::ExitInstance() { return CWinApp::ExitInstance(); }

CUninstallApp& GetUninstallApp() { return *static_cast<CUninstallApp*>(CWinApp::GetApp()); }
