// Uninstall.exe as it would run on a Windows without the capabilities UNINSTALL_TEST_FALLBACKS
// names (see support/fallbacks.h): the same application object and resources, with the seam set
// before it starts. The end-to-end tables put it in place of the installed Uninstall.exe.
#include <windows.h>

#include "app/uninstall_app.h"
#include "support/fallbacks.h"

CUninstallApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  test::SwitchOffCapabilitiesNamedInEnvironment();
  return theApp.Run(instance);
}
