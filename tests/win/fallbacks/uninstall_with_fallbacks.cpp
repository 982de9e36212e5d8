// Uninstall.exe as it would run on a Windows without the capabilities UNINSTALL_TEST_FALLBACKS
// names (see support/fallbacks.h), and with the default security of the system that
// UNINSTALL_TEST_SDDL and UNINSTALL_TEST_ACCOUNT describe (support/security_table.h): the same
// application object and resources, with the seams set before it starts. The end-to-end tables put
// it in place of the installed Uninstall.exe.
#include <windows.h>

#include "app/uninstall_app.h"
#include "support/fallbacks.h"
#include "support/security_table.h"

CUninstallApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  test::SwitchOffCapabilitiesNamedInEnvironment();
  test::UseSecurityTableNamedInEnvironment();
  return theApp.Run(instance);
}
