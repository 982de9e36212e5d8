// Colour mixing for the skinned controls. Pure code: colours are 0x00BBGGRR values, the layout
// of COLORREF, so the Windows side passes RGB(...) values straight in.
#pragma once

#include <cstdint>

using SkinColor = std::uint32_t;

// a * b / c rounded to the nearest integer, halves away from zero, computed in 64 bits; -1 when
// c is 0 or the result does not fit in 32 bits. The same answers as the system's MulDiv.
int RoundedMulDiv(int a, int b, int c);

// Moves each channel of start the given percentage of the way towards target: 0 gives start,
// 100 gives target, more than 100 carries on past target in the same direction. Each channel
// keeps its low 8 bits (a channel pushed beyond 0..255 wraps round); bits 24..31 are zero.
SkinColor BlendColor(SkinColor start, SkinColor target, int percentage);
