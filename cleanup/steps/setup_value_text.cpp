#include "cleanup/steps/setup_value_text.h"

#include "language/mbcs.h"

void ExpandLineBreakMarks(std::string& text) {
  size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == '|') text[pos] = '\n';
    // A zero byte inside the text counts as one character.
    const size_t step = static_cast<size_t>(MbCharLenFast(text.c_str() + pos));
    pos += step == 0 ? 1 : step;
  }
}
