// Skinned tab controls: rounded tabs with a blue border, the selected tab with a light vertical
// gradient and black text, the others solid blue with white text, a blue frame round the page
// and a light background. Lines, radii, margins and the font are designed at 96 DPI and drawn
// at the system's display scale; the functions below take the scale (the default: 96 DPI).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "framework/gdi.h"
#include "ui/display_scale.h"

constexpr COLORREF kTabBackgroundColor = RGB(239, 243, 255);  // background and page fill
constexpr COLORREF kTabBorderColor = RGB(107, 138, 231);      // tab border and page frame
constexpr COLORREF kTabUnselectedColor = RGB(148, 174, 239);
constexpr COLORREF kTabSelectedTopColor = RGB(181, 195, 239);
constexpr COLORREF kTabSelectedBottomColor = RGB(239, 243, 255);
constexpr COLORREF kTabSelectedTextColor = RGB(0, 0, 0);
constexpr COLORREF kTabUnselectedTextColor = RGB(255, 255, 255);

// Asked of the control itself by its painting: the page fill brush and the background brush.
constexpr UINT kTabGetPageBrush = WM_USER + 2;
constexpr UINT kTabGetBackgroundBrush = WM_USER + 3;

// What the painting needs to know of a tab control, in its client coordinates.
struct SkinTabItem {
  RECT rect{};         // the item rectangle as the control gives it
  bool valid = false;  // false when the control gave no rectangle: the tab is not drawn
  std::string text;
};
struct SkinTabLayout {
  RECT page{};       // the page rectangle (see SkinTabPageRect)
  int rowCount = 0;
  int selected = -1;  // the current selection, -1 when none
  std::vector<SkinTabItem> items;
};

// Reads items, rows, selection and page rectangle from a real tab control.
SkinTabLayout ReadSkinTabLayout(HWND tab, DisplayScale scale = DisplayScale());
// The page rectangle: the display area the control reports for its client rectangle, moved
// 2 pixels down and right at the top, right and bottom, with its left edge at x = 2.
RECT SkinTabPageRect(const RECT& adjusted, DisplayScale scale = DisplayScale());
// The row of a tab, 0 being the row next to the page.
int SkinTabRow(const RECT& item, int rowCount);
// The tab's outer and inner regions: rounded rectangles (5 x 5 corners) reaching 6 pixels below
// the item rectangle, which is first grown by 2 pixels on every side for the selected tab; the
// inner one a border of 1 pixel inside the outer one.
void MakeSkinTabRegions(const RECT& item, bool selected, ScopedRegion& outer, ScopedRegion& inner,
                        DisplayScale scale = DisplayScale());
// The colour of the selected tab's row y (client coordinates) in a box boxHeight pixels high.
COLORREF SkinTabGradientColor(int y, int boxHeight);

// The whole control: page fill, tabs row by row from the page outwards, page frame, then the
// selected tab. Each tab drawn is kept out of the reach of the tabs drawn after it.
void PaintSkinTabs(HDC dc, const RECT& client, const SkinTabLayout& layout, HBRUSH pageBrush,
                   HFONT font, DisplayScale scale = DisplayScale());
// The background: the client area outside the tabs and outside the page and its frame.
void PaintSkinTabBackground(HDC dc, const RECT& client, const SkinTabLayout& layout,
                            HBRUSH backgroundBrush, DisplayScale scale = DisplayScale());

// The shared drawing objects, created on first use and kept until the program ends (the font
// 12 pixels high at 96 DPI, at the system's display scale).
HBRUSH SkinTabPageBrush();
HBRUSH SkinTabBackgroundBrush();
HFONT SkinTabFont();

// The window procedure of skinned tab controls (installed by the skin hook).
LRESULT CALLBACK SkinTabProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
