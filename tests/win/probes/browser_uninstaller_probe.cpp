// Calls RunBrowserUninstaller and exits, so a test can run it from a program folder of its
// choosing (the browser's uninstaller is found beside the running program).
#include "procedures/launchers.h"
#include "framework/own_program.h"

int main() {
  RunBrowserUninstaller(OwnProgramFolder());
  return 0;
}
