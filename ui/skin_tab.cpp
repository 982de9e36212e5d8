#include "ui/skin_tab.h"

#include <commctrl.h>

#include "ui/skin_color.h"
#include "ui/skin_hook.h"

namespace {

// Lengths at 96 DPI.
constexpr int kBorderWidth = 1;     // tab border, page frame and its shadow
constexpr int kCornerDiameter = 5;  // the ellipse that rounds the tabs' corners
constexpr int kTabReach = 6;        // how far a tab's outline reaches below its item rectangle
constexpr int kSelectedGrowth = 2;  // the selected tab stands out this much on every side
constexpr int kPageShift = 2;       // the page rectangle's shift from the display area
constexpr int kTextInset = 2;       // the text's rectangle inside the tab's, moved as far down
constexpr int kTabFontHeight = 12;
// The page frame's blue line runs this far outside the page: left, top (over the tabs' lower
// edge), right and bottom.
constexpr RECT kFrameOutset{2, 3, 1, 1};
// Round the page: the selected tab may not reach nearer, the background is not erased nearer.
constexpr int kSelectedTabKeepOff = 1;
constexpr int kBackgroundKeepOff = 2;

ScopedRegion RectRegion(const RECT& rect) { return ScopedRegion(::CreateRectRgnIndirect(&rect)); }

// a minus b as a new region, owned by the caller.
HRGN NewDifference(HRGN a, HRGN b) {
  HRGN result = ::CreateRectRgn(0, 0, 0, 0);
  ::CombineRgn(result, a, b, RGN_DIFF);
  return result;
}

void FillRegion(HDC dc, HRGN region, COLORREF color) {
  ScopedBrush brush(::CreateSolidBrush(color));
  ::FillRgn(dc, region, brush.Get());
}

void FillSelectedGradient(HDC dc, HRGN inner) {
  RECT box{};
  ::GetRgnBox(inner, &box);
  const int height = box.bottom - box.top;
  for (int y = box.top; y < box.bottom; ++y) {
    ScopedRegion row(::CreateRectRgn(box.left, y, box.right, y + 1));
    ::CombineRgn(row.Get(), row.Get(), inner, RGN_AND);
    FillRegion(dc, row.Get(), SkinTabGradientColor(y, height));
  }
}

// Draws one tab; rect is where its text goes (the item rectangle, grown for the selected tab).
void PaintTab(HDC dc, const SkinTabItem& item, bool selected, const RECT& rect, HFONT font,
              DisplayScale scale) {
  ScopedSaveDC saved(dc);
  ::SetTextColor(dc, selected ? kTabSelectedTextColor : kTabUnselectedTextColor);
  ScopedRegion outer, inner;
  MakeSkinTabRegions(item.rect, selected, outer, inner, scale);
  if (selected)
    FillSelectedGradient(dc, inner.Get());
  else
    FillRegion(dc, inner.Get(), kTabUnselectedColor);
  ScopedRegion border(NewDifference(outer.Get(), inner.Get()));
  FillRegion(dc, border.Get(), kTabBorderColor);

  RECT textRect = rect;
  ::InflateRect(&textRect, -scale.Px(kTextInset), -scale.Px(kTextInset));
  ::OffsetRect(&textRect, 0, scale.Px(kTextInset));
  ::SetBkMode(dc, TRANSPARENT);
  if (font) ::SelectObject(dc, font);
  ::DrawTextA(dc, item.text.c_str(), -1, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// Clips to base minus the tabs drawn so far.
void ClipOutsideDrawnTabs(HDC dc, HRGN base, HRGN drawnTabs) {
  ScopedRegion clip(NewDifference(base, drawnTabs));
  ::SelectClipRgn(dc, clip.Get());
}

// Adds the tab's outer region to the tabs drawn so far.
void AddDrawnTab(HRGN drawnTabs, const SkinTabItem& item, bool selected, DisplayScale scale) {
  ScopedRegion outer, inner;
  MakeSkinTabRegions(item.rect, selected, outer, inner, scale);
  ::CombineRgn(drawnTabs, drawnTabs, outer.Get(), RGN_OR);
}

void FillColor(HDC dc, const RECT& rect, COLORREF color) {
  ScopedBrush brush(::CreateSolidBrush(color));
  ::FillRect(dc, &rect, brush.Get());
}

// The page's frame: a blue line round the page (a gap of 2 pixels above it, 1 left of it, none
// right of and below it) and a shadow line below and right of the blue one, each line one pixel
// wide at 96 DPI.
void PaintPageFrame(HDC dc, const RECT& page, DisplayScale scale) {
  const int width = scale.Line(kBorderWidth);
  const RECT box{page.left - scale.Px(kFrameOutset.left), page.top - scale.Px(kFrameOutset.top),
                 page.right + scale.Px(kFrameOutset.right), page.bottom + scale.Px(kFrameOutset.bottom)};
  FillColor(dc, RECT{box.left, box.top, box.left + width, box.bottom}, kTabBorderColor);
  FillColor(dc, RECT{box.right - width, box.top, box.right, box.bottom}, kTabBorderColor);
  FillColor(dc, RECT{box.left, box.top, box.right, box.top + width}, kTabBorderColor);
  FillColor(dc, RECT{box.left, box.bottom - width, box.right, box.bottom}, kTabBorderColor);
  const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
  FillColor(dc, RECT{box.left + width, box.bottom, box.right + width, box.bottom + width}, shadow);
  FillColor(dc, RECT{box.right, box.top + width, box.right + width, box.bottom + width}, shadow);
}

bool IsSelectable(const SkinTabLayout& layout, int index) {
  return index >= 0 && index < static_cast<int>(layout.items.size()) &&
         layout.items[static_cast<size_t>(index)].valid;
}

void OnPaint(HWND hwnd) {
  ScopedPaint paint(hwnd);
  const HBRUSH pageBrush = reinterpret_cast<HBRUSH>(::SendMessageA(
      hwnd, kTabGetPageBrush, reinterpret_cast<WPARAM>(paint.Get()), reinterpret_cast<LPARAM>(hwnd)));
  RECT client{};
  ::GetClientRect(hwnd, &client);
  const DisplayScale scale = SystemDisplayScale();
  PaintSkinTabs(paint.Get(), client, ReadSkinTabLayout(hwnd, scale), pageBrush, SkinTabFont(), scale);
}

void OnEraseBackground(HWND hwnd, HDC dc) {
  const HBRUSH background = reinterpret_cast<HBRUSH>(::SendMessageA(
      hwnd, kTabGetBackgroundBrush, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
  RECT client{};
  ::GetClientRect(hwnd, &client);
  const DisplayScale scale = SystemDisplayScale();
  PaintSkinTabBackground(dc, client, ReadSkinTabLayout(hwnd, scale), background, scale);
}

}  // namespace

SkinTabLayout ReadSkinTabLayout(HWND tab, DisplayScale scale) {
  SkinTabLayout layout;
  RECT adjusted{};
  ::GetClientRect(tab, &adjusted);
  ::SendMessageA(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&adjusted));
  layout.page = SkinTabPageRect(adjusted, scale);
  layout.rowCount = static_cast<int>(::SendMessageA(tab, TCM_GETROWCOUNT, 0, 0));
  layout.selected = static_cast<int>(::SendMessageA(tab, TCM_GETCURSEL, 0, 0));
  const int count = static_cast<int>(::SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    SkinTabItem item;
    item.valid = ::SendMessageA(tab, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item.rect)) != 0;
    char text[256] = {};
    TCITEMA query{};
    query.mask = TCIF_TEXT;
    query.pszText = text;
    query.cchTextMax = sizeof(text) - 1;
    if (::SendMessageA(tab, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&query)) && query.pszText)
      item.text = query.pszText;
    layout.items.push_back(item);
  }
  return layout;
}

RECT SkinTabPageRect(const RECT& adjusted, DisplayScale scale) {
  const int shift = scale.Px(kPageShift);
  return RECT{shift, adjusted.top + shift, adjusted.right + shift, adjusted.bottom + shift};
}

int SkinTabRow(const RECT& item, int rowCount) {
  const int height = item.bottom - item.top;
  // An empty rectangle has no row of its own; it counts as the row next to the page.
  if (height <= 0) return 0;
  return rowCount - (item.top / height + 1);
}

void MakeSkinTabRegions(const RECT& item, bool selected, ScopedRegion& outer, ScopedRegion& inner,
                        DisplayScale scale) {
  RECT r = item;
  const int growth = scale.Px(kSelectedGrowth);
  if (selected) ::InflateRect(&r, growth, growth);
  const int reach = scale.Px(kTabReach), border = scale.Line(kBorderWidth);
  const int corner = scale.Px(kCornerDiameter);
  outer.Reset(::CreateRoundRectRgn(r.left, r.top, r.right, r.bottom + reach, corner, corner));
  inner.Reset(::CreateRoundRectRgn(r.left + border, r.top + border, r.right - border,
                                   r.bottom + reach - border, corner, corner));
}

COLORREF SkinTabGradientColor(int y, int boxHeight) {
  if (boxHeight <= 0) return kTabSelectedTopColor;
  return BlendColor(kTabSelectedTopColor, kTabSelectedBottomColor, y * 100 / boxHeight);
}

void PaintSkinTabs(HDC dc, const RECT& client, const SkinTabLayout& layout, HBRUSH pageBrush,
                   HFONT font, DisplayScale scale) {
  ScopedSaveDC saved(dc);
  ::SelectClipRgn(dc, nullptr);
  ScopedRegion clientRegion = RectRegion(client);
  ScopedRegion pageRegion = RectRegion(layout.page);
  if (pageBrush) ::FillRgn(dc, pageRegion.Get(), pageBrush);

  ScopedRegion outsidePage(NewDifference(clientRegion.Get(), pageRegion.Get()));
  // A tab drawn later never paints over one drawn before it: rows go from the page outwards,
  // the selected tab comes last.
  ScopedRegion drawnTabs(::CreateRectRgn(0, 0, 0, 0));
  for (int row = 0; row < layout.rowCount; ++row) {
    for (size_t i = 0; i < layout.items.size(); ++i) {
      const SkinTabItem& item = layout.items[i];
      if (!item.valid || static_cast<int>(i) == layout.selected) continue;
      if (SkinTabRow(item.rect, layout.rowCount) != row) continue;
      ClipOutsideDrawnTabs(dc, outsidePage.Get(), drawnTabs.Get());
      PaintTab(dc, item, false, item.rect, font, scale);
      AddDrawnTab(drawnTabs.Get(), item, false, scale);
    }
  }

  // The frame runs over the lower edge of the unselected tabs.
  ::SelectClipRgn(dc, outsidePage.Get());
  PaintPageFrame(dc, layout.page, scale);

  // The selected tab may cover the frame's top line but not the page.
  RECT frame = layout.page;
  ::InflateRect(&frame, scale.Px(kSelectedTabKeepOff), scale.Px(kSelectedTabKeepOff));
  ScopedRegion frameRegion = RectRegion(frame);
  ScopedRegion outsideFrame(NewDifference(clientRegion.Get(), frameRegion.Get()));
  ClipOutsideDrawnTabs(dc, outsideFrame.Get(), drawnTabs.Get());
  if (IsSelectable(layout, layout.selected)) {
    const SkinTabItem& item = layout.items[static_cast<size_t>(layout.selected)];
    RECT grown = item.rect;
    ::InflateRect(&grown, scale.Px(kSelectedGrowth), scale.Px(kSelectedGrowth));
    PaintTab(dc, item, true, grown, font, scale);
  }
}

void PaintSkinTabBackground(HDC dc, const RECT& client, const SkinTabLayout& layout,
                            HBRUSH backgroundBrush, DisplayScale scale) {
  ScopedSaveDC saved(dc);
  ScopedRegion clip = RectRegion(client);
  for (size_t i = 0; i < layout.items.size(); ++i) {
    if (!layout.items[i].valid) continue;
    ScopedRegion outer, inner;
    MakeSkinTabRegions(layout.items[i].rect, static_cast<int>(i) == layout.selected, outer, inner,
                       scale);
    ::CombineRgn(clip.Get(), clip.Get(), outer.Get(), RGN_DIFF);
  }
  RECT pageAndFrame = layout.page;
  ::InflateRect(&pageAndFrame, scale.Px(kBackgroundKeepOff), scale.Px(kBackgroundKeepOff));
  ScopedRegion pageRegion = RectRegion(pageAndFrame);
  ::CombineRgn(clip.Get(), clip.Get(), pageRegion.Get(), RGN_DIFF);
  ::SelectClipRgn(dc, clip.Get());
  if (backgroundBrush) ::FillRect(dc, &client, backgroundBrush);
}

HBRUSH SkinTabPageBrush() {
  static ScopedBrush brush(::CreateSolidBrush(kTabBackgroundColor));
  return brush.Get();
}

HBRUSH SkinTabBackgroundBrush() {
  static ScopedBrush brush(::CreateSolidBrush(kTabBackgroundColor));
  return brush.Get();
}

HFONT SkinTabFont() {
  // Face "SimSun" by its Chinese name, in the GBK bytes that CreateFontA expects.
  static ScopedFont font(::CreateFontA(SystemDisplayScale().Px(kTabFontHeight), 0, 0, 0, FW_NORMAL,
                                       FALSE, FALSE, FALSE, GB2312_CHARSET, 0, 0, 0, 0,
                                       "\xCB\xCE\xCC\xE5"));
  return font.Get();
}

LRESULT CALLBACK SkinTabProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto found = g_tabProcs.find(hwnd);
  if (found == g_tabProcs.end()) return 0;
  switch (msg) {
    case WM_PAINT:
      OnPaint(hwnd);
      return 0;
    case WM_ERASEBKGND:
      OnEraseBackground(hwnd, reinterpret_cast<HDC>(wParam));
      return 0;
    case kTabGetPageBrush:
      return reinterpret_cast<LRESULT>(SkinTabPageBrush());
    case kTabGetBackgroundBrush:
      return reinterpret_cast<LRESULT>(SkinTabBackgroundBrush());
    default:
      return ::CallWindowProcA(found->second, hwnd, msg, wParam, lParam);
  }
}
