// The program's entry point: hands the process to the global application object.
#include "framework/win_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  CWinApp* app = CWinApp::GetApp();
  return app ? app->Run(instance) : 1;
}
