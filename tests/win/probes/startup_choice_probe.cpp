// Exits with the procedure ChooseUninstallProcedure picks for the program folder given as its
// argument, so a test can see the choice (and the files it puts in place) under a Windows
// version that Wine reports to this program alone.
#include "app/startup.h"

int main(int argc, char** argv) {
  if (argc < 2) return 100;
  return static_cast<int>(ChooseUninstallProcedure(argv[1]));
}
