#include <gtest/gtest.h>

#include "skin_test_window.h"
#include "ui/skin_tab.h"

#include <commctrl.h>

namespace {

using skin_test::Canvas;

CSkinHook g_hook;

constexpr COLORREF kMarker = RGB(1, 2, 3);

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(SkinTabGeometry, RowsCountFromThePage) {
  struct RowCase { RECT item; int rowCount; int row; } rows[] = {
      {{2, 2, 56, 23}, 1, 0},  {{2, 2, 98, 23}, 4, 3},  {{2, 23, 98, 44}, 4, 2},
      {{2, 44, 98, 65}, 4, 1}, {{2, 65, 98, 86}, 4, 0},
      {{2, 5, 50, 5}, 3, 0},  // no height: no division, the row next to the page
  };
  for (const RowCase& c : rows) EXPECT_EQ(c.row, SkinTabRow(c.item, c.rowCount)) << c.item.top;
}

// One row of four tabs as the control lays them out in a 300 x 200 control, the second selected.
SkinTabLayout OneRow(int selected) {
  SkinTabLayout layout;
  layout.page = RECT{2, 27, 298, 198};
  layout.rowCount = 1;
  layout.selected = selected;
  const char* names[] = {"One", "Two", "Three", "Four"};
  for (int i = 0; i < 4; ++i) {
    SkinTabItem item;
    item.rect = RECT{2 + 54 * i, 2, 56 + 54 * i, 23};
    item.valid = true;
    item.text = names[i];
    layout.items.push_back(item);
  }
  return layout;
}

// The colour at (x, y) wherever a pixel source can be read: a canvas or a window.
using PixelAt = std::function<COLORREF(int, int)>;

// What the one-row layout must look like: the fills, the border, the gradient of the selected
// tab, the frame round the page, and the selected tab kept off its neighbours.
void ExpectOneRowPicture(const PixelAt& pixel) {
  EXPECT_EQ(kTabBackgroundColor, pixel(150, 110)) << "page";
  EXPECT_EQ(kTabUnselectedColor, pixel(8, 12)) << "first tab";
  EXPECT_EQ(kTabBorderColor, pixel(2, 12)) << "first tab's border";
  EXPECT_EQ(kTabBorderColor, pixel(29, 2)) << "first tab's top border";
  // The selected tab stands 2 pixels higher; its gradient runs over its inner box (rows 1 to
  // 28) and depends on the row's y.
  EXPECT_EQ(kTabBorderColor, pixel(83, 0));
  for (int y = 4; y <= 25; ++y) EXPECT_EQ(SkinTabGradientColor(y, 28), pixel(58, y)) << y;
  // Where the grown selected tab meets its neighbours, their borders meet in one column.
  EXPECT_EQ(kTabUnselectedColor, pixel(53, 12));
  EXPECT_EQ(kTabBorderColor, pixel(54, 12));
  EXPECT_EQ(SkinTabGradientColor(12, 28), pixel(55, 12));
  EXPECT_EQ(SkinTabGradientColor(12, 28), pixel(109, 12));
  EXPECT_EQ(kTabBorderColor, pixel(110, 12));
  EXPECT_EQ(kTabUnselectedColor, pixel(111, 12));
  // The frame: its top line runs across the unselected tabs but under the selected one.
  EXPECT_EQ(kTabBorderColor, pixel(0, 100));
  EXPECT_EQ(kTabBorderColor, pixel(150, 198));
  EXPECT_EQ(kTabBorderColor, pixel(298, 100));
  EXPECT_EQ(kTabBorderColor, pixel(250, 24));
  EXPECT_EQ(kTabBorderColor, pixel(20, 24));
  EXPECT_EQ(SkinTabGradientColor(24, 28), pixel(70, 24));
  const COLORREF shadow = skin_test::Rgb(::GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(shadow, pixel(150, 199));
  EXPECT_EQ(shadow, pixel(299, 100));
}

TEST(SkinTabPaint, OneRowOnAMemoryCanvas) {
  Canvas canvas(300, 200, kMarker);
  const SkinTabLayout layout = OneRow(1);
  PaintSkinTabs(canvas.Dc(), canvas.Rect(), layout, SkinTabPageBrush(), SkinTabFont());
  ExpectOneRowPicture([&](int x, int y) { return canvas.Pixel(x, y); });
  EXPECT_EQ(kMarker, canvas.Pixel(250, 10)) << "the strip beside the tabs is the erase's";
}

TEST(SkinTabPaint, WithoutSelectionEveryTabIsUnselected) {
  Canvas canvas(300, 200, kMarker);
  PaintSkinTabs(canvas.Dc(), canvas.Rect(), OneRow(-1), SkinTabPageBrush(), SkinTabFont());
  EXPECT_EQ(kTabUnselectedColor, canvas.Pixel(62, 12));
  EXPECT_EQ(kMarker, canvas.Pixel(83, 0)) << "no tab stands higher";
  EXPECT_EQ(kTabBorderColor, canvas.Pixel(70, 24)) << "the frame's top line is not covered";
}

// Rows are drawn from the page outwards and a farther row never paints over a nearer one.
TEST(SkinTabPaint, NearerRowsStayOnTop) {
  SkinTabLayout layout;
  layout.page = RECT{2, 50, 200, 150};
  layout.rowCount = 2;
  SkinTabItem nearer{{10, 25, 60, 46}, true, "A"}, farther{{10, 4, 60, 25}, true, "B"};
  layout.items = {farther, nearer};
  Canvas canvas(200, 150, kMarker);
  PaintSkinTabs(canvas.Dc(), canvas.Rect(), layout, SkinTabPageBrush(), nullptr);
  EXPECT_EQ(kTabBorderColor, canvas.Pixel(35, 25)) << "the nearer tab's top border";
  EXPECT_EQ(kTabUnselectedColor, canvas.Pixel(35, 24)) << "the farther tab above it";
}

// The small tab font may be drawn smoothed, so the text is found as pixels clearly darker than
// the selected tab's gradient and clearly lighter than the other tabs' fill.
TEST(SkinTabPaint, TextColours) {
  Canvas canvas(300, 200, kMarker);
  PaintSkinTabs(canvas.Dc(), canvas.Rect(), OneRow(1), SkinTabPageBrush(), SkinTabFont());
  int dark = 0, light = 0;
  for (int y = 4; y < 24; ++y) {
    for (int x = 60; x < 106; ++x) {
      const COLORREF p = canvas.Pixel(x, y);
      if (GetRValue(p) + GetGValue(p) < 300) ++dark;
    }
    for (int x = 6; x < 52; ++x) {
      const COLORREF p = canvas.Pixel(x, y);
      if (GetRValue(p) > 190 && GetGValue(p) > 200) ++light;
    }
  }
  EXPECT_GT(dark, 5) << "black text on the selected tab";
  EXPECT_GT(light, 5) << "white text on the others";
}

// At 150 % and 200 % the borders, the selected tab's growth and the page frame with its shadow
// grow with the scale (one row of tabs 10 pixels lower, so the grown tab has room above it, and
// the page's left edge where the scale puts it).
TEST(SkinTabPaint, BordersGrowthAndFrameFollowTheScale) {
  for (int dpi : {144, 192}) {
    SCOPED_TRACE(dpi);
    const DisplayScale s(dpi);
    SkinTabLayout layout = OneRow(1);
    layout.page.top += 10;
    layout.page.left = s.Px(2);
    for (SkinTabItem& item : layout.items) ::OffsetRect(&item.rect, 0, 10);
    const int line = s.Line(1), middle = 110;
    Canvas canvas(300, 210, kMarker);
    PaintSkinTabs(canvas.Dc(), canvas.Rect(), layout, SkinTabPageBrush(), nullptr, s);
    EXPECT_EQ(line, canvas.Count(RECT{2, 22, 10, 23}, kTabBorderColor)) << "first tab's left border";
    const int grownTop = 12 - s.Px(2);
    EXPECT_EQ(kTabBorderColor, canvas.Pixel(83, grownTop)) << "the selected tab stands higher";
    EXPECT_EQ(kMarker, canvas.Pixel(83, grownTop - 1));
    EXPECT_EQ(line, canvas.Count(RECT{0, middle, layout.page.left, middle + 1}, kTabBorderColor)) << "frame";
    const COLORREF shadow = skin_test::Rgb(::GetSysColor(COLOR_BTNSHADOW));
    const RECT below{150, layout.page.bottom, 151, layout.page.bottom + 2 * s.Px(2)};
    EXPECT_EQ(line, canvas.Count(below, shadow)) << "the frame's shadow";
  }
}

TEST(SkinTabPaint, BackgroundLeavesTabsAndPageAlone) {
  Canvas canvas(300, 200, kMarker);
  HBRUSH background = SkinTabBackgroundBrush();
  PaintSkinTabBackground(canvas.Dc(), canvas.Rect(), OneRow(1), background);
  EXPECT_EQ(kTabBackgroundColor, canvas.Pixel(250, 10));
  EXPECT_EQ(kTabBackgroundColor, canvas.Pixel(0, 0));
  EXPECT_EQ(kMarker, canvas.Pixel(20, 12)) << "inside a tab";
  EXPECT_EQ(kMarker, canvas.Pixel(83, 1)) << "inside the selected tab";
  EXPECT_EQ(kMarker, canvas.Pixel(150, 110)) << "the page";
  EXPECT_EQ(kMarker, canvas.Pixel(0, 100)) << "the page's frame";
}

TEST(SkinTabControl, PaintsTheRealControl) {
  INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_TAB_CLASSES};
  ASSERT_TRUE(::InitCommonControlsEx(&classes));
  ASSERT_NE(nullptr, g_hook.Install());
  skin_test::TestDialog dialog({320, 220}, {{WC_TABCONTROLA, 1001, 0, {10, 10, 310, 210}, ""}});
  ASSERT_NE(nullptr, dialog.Create());
  HWND tab = dialog.Item(1001);
  const char* names[] = {"One", "Two", "Three", "Four"};
  for (int i = 0; i < 4; ++i) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(names[i]);
    ::SendMessageA(tab, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
  }
  ::SendMessageA(tab, TCM_SETCURSEL, 1, 0);
  dialog.Show();
  ASSERT_EQ(&SkinTabProc, skin_test::WndProcOf(tab));

  const DisplayScale scale = scaled_run::RunScale();
  const SkinTabLayout layout = ReadSkinTabLayout(tab, scale);
  ASSERT_EQ(4u, layout.items.size());
  EXPECT_EQ(1, layout.selected);
  EXPECT_EQ(1, layout.rowCount);
  // The control shows the picture of its layout at the run's scale, over its erased background
  // (the gap round the page is neither's: the dialog shows there).
  Canvas picture(300, 200, kMarker), shown(300, 200, kMarker);
  PaintSkinTabBackground(picture.Dc(), picture.Rect(), layout, SkinTabBackgroundBrush(), scale);
  PaintSkinTabs(picture.Dc(), picture.Rect(), layout, SkinTabPageBrush(), SkinTabFont(), scale);
  ::BitBlt(shown.Dc(), 0, 0, 300, 200, ScopedWindowDC(tab).Get(), 0, 0, SRCCOPY);
  int differences = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x)
      differences += picture.Pixel(x, y) != kMarker && picture.Pixel(x, y) != shown.Pixel(x, y) ? 1 : 0;
  EXPECT_EQ(0, differences);
  // At 96 DPI the control lays its tabs out as the memory-canvas cases assume.
  if (scale.IsDesignScale()) {
    const SkinTabLayout expected = OneRow(1);
    EXPECT_TRUE(SameRect(expected.page, layout.page));
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_TRUE(SameRect(expected.items[i].rect, layout.items[i].rect)) << i;
      EXPECT_EQ(expected.items[i].text, layout.items[i].text);
    }
    ExpectOneRowPicture([&](int x, int y) { return skin_test::ClientPixel(tab, x, y); });
  }
  EXPECT_EQ(kTabBackgroundColor, skin_test::ClientPixel(tab, 250, 10)) << "erased background";
  EXPECT_EQ(kSkinDialogColor, skin_test::ClientPixel(dialog.Hwnd(), 5, 5));

  // The fill brushes are asked of the control itself; other messages reach the control.
  EXPECT_EQ(reinterpret_cast<LRESULT>(SkinTabPageBrush()), ::SendMessageA(tab, kTabGetPageBrush, 0, 0));
  EXPECT_EQ(reinterpret_cast<LRESULT>(SkinTabBackgroundBrush()),
            ::SendMessageA(tab, kTabGetBackgroundBrush, 0, 0));
  EXPECT_EQ(4, ::SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
  dialog.Destroy();
  g_hook.Remove();
}

}  // namespace
