// Runs UninstallDrivers from wherever this program was copied (the driver library is looked for
// beside it) and writes "<result> <1 when DriverSetup.dll is still loaded, else 0>" to the file
// named by its argument.
#include <windows.h>

#include <cstdio>

#include "cleanup/steps/drivers.h"
#include "framework/own_program.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const int result = UninstallDrivers(OwnProgramFolder());
  const bool stillLoaded = ::GetModuleHandleA("DriverSetup.dll") != nullptr;
  FILE* out = std::fopen(argv[1], "w");
  if (!out) return 3;
  std::fprintf(out, "%d %d", result, stillLoaded ? 1 : 0);
  std::fclose(out);
  return 0;
}
