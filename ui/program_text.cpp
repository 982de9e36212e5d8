#include "ui/program_text.h"

#include <windows.h>

std::string ProgramText(unsigned chineseId, int languageCode) {
  char text[1024] = {};
  const int length = ::LoadStringA(::GetModuleHandleA(nullptr), chineseId + (languageCode == 0 ? 0 : 1), text, sizeof(text));
  return length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string();
}
