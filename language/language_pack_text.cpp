#include "language/language_pack_text.h"

#include <cstring>

#include "language/mbcs.h"

void ExpandCarriageReturns(std::string& text) {
  if (text.find("\\r") == std::string::npos) return;
  std::string expanded;
  expanded.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    const char* p = text.c_str() + pos;
    if (p[0] == '\\' && p[1] == 'r') {
      expanded += '\r';
      pos += 2;
      continue;
    }
    // A zero byte inside the text counts as one character.
    const size_t step = static_cast<size_t>(MbCharLenFast(p));
    const size_t length = step == 0 ? 1 : step;
    expanded.append(p, length);
    pos += length;
  }
  text.swap(expanded);
}

size_t CopyTextCut(const std::string& text, char* buffer, size_t bufferSize) {
  if (!buffer || bufferSize == 0) return 0;
  const size_t length = MbCutLength(text.c_str(), bufferSize - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return length;
}

int LanguageCodeFromSystem(unsigned langId, unsigned ansiCodePage) {
  constexpr unsigned kSimplifiedChinese = 0x0804;
  constexpr unsigned kTraditionalChinese = 0x0404;
  constexpr unsigned kGbkCodePage = 936;
  if (langId == kSimplifiedChinese) return ansiCodePage == kGbkCodePage ? 0 : 2;
  if (langId == kTraditionalChinese) return 2;
  return 1;
}
