// Writes "<language id> <ANSI code page> <language code>" to the file named by its argument:
// what the system reports and what a language pack that has loaded nothing answers. Tests
// start it under another Wine locale to see the answer of a system they are not running on.
#include <windows.h>

#include <cstdio>

#include "language/language_pack.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  CLanguagePack pack;
  const int code = pack.GetLanguageCode();
  FILE* out = std::fopen(argv[1], "w");
  if (!out) return 3;
  std::fprintf(out, "%u %u %d", static_cast<unsigned>(::GetSystemDefaultLangID()), ::GetACP(), code);
  return std::fclose(out) == 0 ? 0 : 3;
}
