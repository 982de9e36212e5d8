#include "ui/percent_bar_geometry.h"

#include <cstdio>

int PercentBarFilledLength(int pos, int width) {
  if (width <= 0) return 0;
  // Clamped as a double before the conversion: a huge position must not overflow the int.
  const double filled = static_cast<double>(pos) * width * 0.01;
  if (filled <= 0.0) return 0;
  if (filled >= width) return width;
  return static_cast<int>(filled);
}

int PercentBarTextX(int width, int leftOfMiddle) { return width / 2 - leftOfMiddle; }

int FormatPercentText(int pos, char* buffer, size_t bufferSize) {
  if (!buffer || bufferSize == 0) return 0;
  const int length = std::snprintf(buffer, bufferSize, "%d %%", pos);
  if (length < 0) {
    buffer[0] = '\0';
    return 0;
  }
  return static_cast<size_t>(length) < bufferSize ? length : static_cast<int>(bufferSize - 1);
}
