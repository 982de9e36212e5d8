#include "framework/win_app.h"

namespace {
CWinApp* g_theApp = nullptr;
}

CWinApp::CWinApp() {
  if (!g_theApp) g_theApp = this;
}

CWinApp::~CWinApp() {
  if (g_theApp == this) g_theApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

int CWinApp::Run(HINSTANCE instance) {
  m_hInstance = instance;
  InitInstance();
  return ExitInstance();
}

CWinApp* CWinApp::GetApp() { return g_theApp; }
