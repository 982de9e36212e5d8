// The application object: the whole uninstall runs inside InitInstance.
#pragma once
#include "framework/win_app.h"

class CUninstallApp : public CWinApp {
public:
  BOOL InitInstance() override;
  int ExitInstance() override;
};
