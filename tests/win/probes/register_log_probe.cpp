// "register_log_probe <start event> <count> <tag>": waits until the named start event is set
// (at most a minute), then appends count lines "<tag> <n>" to the registration error log, so two
// of them can write at the same time.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "cleanup/steps/com_unregister.h"

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  HANDLE start = ::OpenEventA(SYNCHRONIZE, FALSE, argv[1]);
  if (!start || ::WaitForSingleObject(start, 60000) != WAIT_OBJECT_0) return 3;
  const int count = std::atoi(argv[2]);
  for (int n = 0; n < count; ++n) WriteRegisterErrorLog(std::string(argv[3]) + " " + std::to_string(n));
  ::CloseHandle(start);
  return 0;
}
