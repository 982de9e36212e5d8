// Lead bytes of the system's ANSI code page.
#include "language/mbcs.h"

#include <windows.h>

int MbCharLen(const char* p)
{
  if (*p == 0)
    return 0;
  return (IsDBCSLeadByte(static_cast<BYTE>(*p)) && MbCanBeSecondByte(p[1])) ? 2 : 1;
}
