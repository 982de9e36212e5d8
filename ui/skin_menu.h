// Flat popup menus: a border of three one-pixel rings, the button shadow colour outside and the
// menu colour twice inside, in place of the system's raised border. The rings stay one pixel
// wide at every display scale: the system keeps a popup menu's border three pixels wide whatever
// the DPI (SM_CXFIXEDFRAME does not grow with it), so wider rings would cover the menu's items.
#pragma once
#include <windows.h>

// Draws the three rings along the edges of a window-sized rectangle with its corner at (0,0).
// The colours are read from the system at every call.
void PaintSkinMenuBorder(HDC dc, const RECT& windowRect);

// The window procedure of skinned popup menus (installed by the skin hook): the border is drawn
// on the frame (WM_NCPAINT), after the menu's own painting and into WM_PRINT pictures.
LRESULT CALLBACK SkinMenuProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
