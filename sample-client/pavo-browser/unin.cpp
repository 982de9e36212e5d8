// Stand-in for the portal browser's own uninstaller "PavoBrowser\Unin.exe": it records the
// arguments it was started with and ends.
// Log line (see ../README.md): "<pid> args <arguments>".
#include <windows.h>

#include "client-main/stand_in_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  stand_in::LogEvent("args " + stand_in::Arguments());
  return 0;
}
