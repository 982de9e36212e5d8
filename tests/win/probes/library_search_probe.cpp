// Restricts the library search as the program does first thing, with the capabilities that
// UNINSTALL_TEST_FALLBACKS names switched off, then loads the library named on the command line by
// its bare name: exits 1 when it was found and loaded, 0 when not. With --unrestricted the search
// is left as the system has it.
#include <windows.h>

#include <string>

#include "framework/dll_search.h"
#include "support/fallbacks.h"

int main(int argc, char** argv) {
  test::SwitchOffCapabilitiesNamedInEnvironment();
  if (argc > 2 && std::string(argv[2]) == "--unrestricted") return ::LoadLibraryA(argv[1]) ? 1 : 0;
  RestrictLibrarySearch();
  return argc > 1 && ::LoadLibraryA(argv[1]) ? 1 : 0;
}
