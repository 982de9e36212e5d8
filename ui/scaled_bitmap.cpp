#include "ui/scaled_bitmap.h"

#include "ui/res/resource.h"

namespace {

// A picture drawn for a scale in place of the design bitmap designId.
struct BitmapVariant {
  UINT designId;
  int dpi;
  UINT id;
};
constexpr BitmapVariant kVariants[] = {
    {IDB_CLOSE, 144, IDB_CLOSE_150},         {IDB_CLOSE, 192, IDB_CLOSE_200},
    {IDB_CLOSE_HOT, 144, IDB_CLOSE_HOT_150}, {IDB_CLOSE_HOT, 192, IDB_CLOSE_HOT_200},
};

HBITMAP LoadResourceBitmap(UINT id) {
  return ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
}

// The resource to start from: the variant of the highest DPI up to scale's, else the design
// bitmap. Enlarging is what HALFTONE does smoothly; shrinking it samples.
UINT SourceFor(UINT designId, DisplayScale scale) {
  UINT best = designId;
  int bestDpi = DisplayScale::kDesignDpi;
  for (const BitmapVariant& variant : kVariants) {
    if (variant.designId != designId || variant.dpi > scale.Dpi() || variant.dpi <= bestDpi) continue;
    best = variant.id;
    bestDpi = variant.dpi;
  }
  return best;
}

bool SameSize(SIZE a, SIZE b) { return a.cx == b.cx && a.cy == b.cy; }

}  // namespace

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || !::GetObjectA(bitmap, sizeof(info), &info)) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

SIZE ScaledSize(SIZE designed, DisplayScale scale) {
  return SIZE{scale.Px(designed.cx), scale.Px(designed.cy)};
}

ScopedBitmap LoadScaledBitmap(UINT id, DisplayScale scale) {
  ScopedBitmap design(LoadResourceBitmap(id));
  if (!design || scale.IsDesignScale()) return ScopedBitmap(design.Detach());
  const SIZE wanted = ScaledSize(BitmapSize(design.Get()), scale);
  const UINT sourceId = SourceFor(id, scale);
  ScopedBitmap source(sourceId == id ? design.Detach() : LoadResourceBitmap(sourceId));
  if (!source) return ScopedBitmap();
  if (SameSize(BitmapSize(source.Get()), wanted)) return ScopedBitmap(source.Detach());
  return StretchedCopy(source.Get(), wanted);
}

ScopedBitmap StretchedCopy(HBITMAP bitmap, SIZE size) {
  const SIZE from = BitmapSize(bitmap);
  if (from.cx <= 0 || from.cy <= 0 || size.cx <= 0 || size.cy <= 0) return ScopedBitmap();
  ScopedWindowDC screen(nullptr);
  ScopedBitmap copy(::CreateCompatibleBitmap(screen.Get(), size.cx, size.cy));
  ScopedMemoryDC target(screen.Get());
  ScopedMemoryDC source(screen.Get());
  if (!copy || !target.Get() || !source.Get()) return ScopedBitmap();
  {
    ScopedSelect intoCopy(target.Get(), copy.Get());
    ScopedSelect fromBitmap(source.Get(), bitmap);
    SetSmoothStretch(target.Get());
    if (!::StretchBlt(target.Get(), 0, 0, size.cx, size.cy, source.Get(), 0, 0, from.cx, from.cy,
                      SRCCOPY))
      return ScopedBitmap();
  }
  return ScopedBitmap(copy.Detach());
}

void SetSmoothStretch(HDC dc) {
  if (::SetStretchBltMode(dc, HALFTONE))
    ::SetBrushOrgEx(dc, 0, 0, nullptr);  // HALFTONE needs the brush origin set after it
  else
    ::SetStretchBltMode(dc, COLORONCOLOR);
}
