// Exits with the procedure ChooseUninstallProcedure picks for the program folder it was copied to,
// so a test can see the choice (and the files it puts in place from beside the program) under a
// Windows version that Wine reports to this program alone.
#include "app/startup.h"

int main() { return static_cast<int>(ChooseUninstallProcedure()); }
