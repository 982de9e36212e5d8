#include "app/uninstall_app.h"

BOOL CUninstallApp::InitInstance() { return TRUE; }

int CUninstallApp::ExitInstance() { return CWinApp::ExitInstance(); }
