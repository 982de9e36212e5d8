// Where the percent bar's picture puts its parts, free of Win32 so the host tests check it.
#pragma once

#include <cstddef>

// Columns of the bar drawn blue for pos on a bar width pixels wide: pos x width x 0.01 in double
// precision, truncated toward zero, then kept within 0..width (a position above 100 fills the
// bar, a negative one fills nothing).
int PercentBarFilledLength(int pos, int width);

// How far left of the bar's middle the percentage text starts, in pixels at 96 DPI.
constexpr int kPercentTextLeftOfMiddle = 20;

// Left edge of the percentage text: width / 2 - leftOfMiddle, whatever the text's length (so
// "100 %" is not centred). leftOfMiddle is kPercentTextLeftOfMiddle at the display scale.
int PercentBarTextX(int width, int leftOfMiddle = kPercentTextLeftOfMiddle);

// The text shown for pos: the number, a blank and a percent sign ("50 %"). Returns its length.
int FormatPercentText(int pos, char* buffer, size_t bufferSize);
