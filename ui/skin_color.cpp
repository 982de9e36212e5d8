#include "ui/skin_color.h"

int RoundedMulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  std::int64_t numerator = static_cast<std::int64_t>(a) * b;
  std::int64_t divisor = c;
  if (divisor < 0) {
    numerator = -numerator;
    divisor = -divisor;
  }
  // Division truncates towards zero, so half the divisor goes on the side of the sign.
  const std::int64_t half = divisor / 2;
  const std::int64_t result =
      numerator >= 0 ? (numerator + half) / divisor : (numerator - half) / divisor;
  if (result > 2147483647 || result < -2147483647) return -1;
  return static_cast<int>(result);
}

namespace {

int Channel(SkinColor color, int shift) { return static_cast<int>((color >> shift) & 0xFF); }

int BlendChannel(int start, int target, int percentage) {
  if (start < target) return start + RoundedMulDiv(percentage, target - start, 100);
  return start - RoundedMulDiv(percentage, start - target, 100);
}

}  // namespace

SkinColor BlendColor(SkinColor start, SkinColor target, int percentage) {
  SkinColor result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int mixed = BlendChannel(Channel(start, shift), Channel(target, shift), percentage);
    result |= (static_cast<SkinColor>(mixed) & 0xFF) << shift;
  }
  return result;
}
