// The display scale of the program's own drawing. Every length the skin draws (lines, radii,
// margins, offsets, font heights) is designed in pixels at 96 DPI; at another system DPI it is
// multiplied by DPI / 96, so the pictures keep their proportions to the dialogs, which the
// system grows with the DPI. At 96 DPI every length stays exactly as designed.
#pragma once

#include "ui/skin_color.h"

class DisplayScale {
public:
  static constexpr int kDesignDpi = 96;

  // The design scale: 96 DPI, every length as designed.
  constexpr DisplayScale() = default;
  // A DPI that is not positive counts as the design DPI.
  explicit constexpr DisplayScale(int dpi) : m_dpi(dpi > 0 ? dpi : kDesignDpi) {}

  constexpr int Dpi() const { return m_dpi; }
  constexpr bool IsDesignScale() const { return m_dpi == kDesignDpi; }
  // A length designed at 96 DPI, in pixels at this scale, rounded to the nearest pixel (halves
  // away from zero: a one-pixel line is two pixels wide at 150 %).
  int Px(int designed) const { return RoundedMulDiv(designed, m_dpi, kDesignDpi); }
  // A line width: as Px, but never thinner than one pixel.
  int Line(int designed) const {
    const int width = Px(designed);
    return width < 1 ? 1 : width;
  }

private:
  int m_dpi = kDesignDpi;
};

// The system DPI (the screen's LOGPIXELSY, which every Windows answers), read once per process:
// the program declares system-DPI awareness, so the system DPI holds for the program's lifetime.
DisplayScale SystemDisplayScale();
