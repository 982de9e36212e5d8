// Skinned push buttons: a rounded outline, a two-tone vertical gradient face, an orange frame
// while the mouse is over the button, a blue frame and focus rectangle while it has the focus,
// and dark-blue centred text. The button with control id 9000 is a bitmap close button that
// keeps itself in the top-right corner of its dialog. Lines, radii and margins are designed at
// 96 DPI and drawn at the system's display scale.
#pragma once
#include <windows.h>

#include "ui/display_scale.h"

constexpr COLORREF kButtonFaceTopColor = RGB(255, 255, 255);
constexpr COLORREF kButtonFaceMiddleColor = RGB(180, 210, 235);
constexpr COLORREF kButtonFaceMiddleHoverColor = RGB(247, 247, 235);
constexpr COLORREF kButtonHoverLeftColor = RGB(250, 196, 88);
constexpr COLORREF kButtonHoverBottomColor = RGB(229, 151, 0);
constexpr COLORREF kButtonHoverRightColor = RGB(233, 173, 65);
constexpr COLORREF kButtonHoverTopColor = RGB(252, 210, 121);
constexpr COLORREF kButtonFocusColor = RGB(162, 201, 255);
constexpr COLORREF kButtonTextColor = RGB(11, 45, 79);
constexpr COLORREF kButtonDisabledTextColor = RGB(132, 130, 132);

constexpr int kCloseButtonId = 9000;
// Distance of the close button from the top and right edges of its parent's client area, at
// 96 DPI.
constexpr int kCloseButtonMargin = 6;

// The state a push button is drawn in.
struct SkinButtonLook {
  bool hover = false;
  bool pressed = false;
  bool focused = false;
  bool enabled = true;
};

// Draws a push button filling client at scale (the default draws the 96-DPI picture): an
// outline of one pixel with corners rounded by a 5 x 5 ellipse, a face 2 pixels inside it, frames 3 pixels wide
// and a text 1 pixel off while pressed, each length times the scale. The text is drawn in font
// (the DC's font when null).
void PaintSkinButton(HDC dc, const RECT& client, const SkinButtonLook& look, const char* text,
                     HFONT font, DisplayScale scale = DisplayScale());
// Copies the close button's bitmap to (0,0), at its own size (the bitmap is chosen for the scale).
void PaintCloseButton(HDC dc, HBITMAP bitmap);
// The face colour of row i (0 at the top of the face) of a face innerHeight pixels high.
COLORREF SkinButtonFaceColor(int row, int innerHeight, bool hover);

// The window procedure of skinned push buttons (installed by the skin hook).
LRESULT CALLBACK SkinButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
