// The program's bitmaps at the display scale. A bitmap is designed at 96 DPI; the close button
// also has variants drawn for 150 % and 200 % (ui/res). At a scale the picture is the variant
// drawn for it, or else the largest variant below the scale (the design picture at least)
// stretched smoothly, with HALFTONE, to the design size times the scale.
#pragma once
#include <windows.h>

#include "framework/gdi.h"
#include "ui/display_scale.h"

// The width and height of a bitmap; {0, 0} when it is none.
SIZE BitmapSize(HBITMAP bitmap);
// The size that a picture designed at designed pixels has at scale.
SIZE ScaledSize(SIZE designed, DisplayScale scale);

// Bitmap resource id of the program at scale, ScaledSize of the resource's own size (at the
// design scale the resource itself). Null when the resource is missing.
ScopedBitmap LoadScaledBitmap(UINT id, DisplayScale scale);

// A copy of bitmap stretched to size (a bitmap of the screen's format), smoothly where the system
// knows HALFTONE (Windows NT and later; Windows 95, 98 and Me stretch plainly). Null when bitmap
// is none, size is empty or the copy cannot be made.
ScopedBitmap StretchedCopy(HBITMAP bitmap, SIZE size);

// Sets dc's stretch mode for smooth stretching: HALFTONE, or COLORONCOLOR where the system does
// not know HALFTONE.
void SetSmoothStretch(HDC dc);
