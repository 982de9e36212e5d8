// Exits with GetOsClass(), so a test can see the class under a Windows version that Wine
// reports to this program alone.
#include "procedures/os_class.h"

int main() { return static_cast<int>(GetOsClass()); }
