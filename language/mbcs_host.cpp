// Host stand-in for the system code page: GBK (code page 936), lead bytes 0x81 to 0xFE.
#include "language/mbcs.h"

int MbCharLen(const char* p)
{
  const unsigned char c = static_cast<unsigned char>(*p);
  if (c == 0)
    return 0;
  return (c >= 0x81 && c <= 0xFE && MbCanBeSecondByte(p[1])) ? 2 : 1;
}
