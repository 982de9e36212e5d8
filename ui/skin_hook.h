// Skinning of the dialogs, message boxes, push buttons, tab controls and popup menus of one
// thread (the main thread): a WH_CALLWNDPROC hook sees each window as it is created or shown
// and replaces its window procedure, keeping the one it replaced so that the skinned
// procedures can pass on whatever they do not handle themselves.
#pragma once
#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "framework/gdi.h"
#include "ui/display_scale.h"

// The background of dialogs that are not the program's own (message boxes among them).
constexpr COLORREF kSkinDialogColor = RGB(193, 221, 246);
// The background used instead when that brush could not be created at installation.
constexpr COLORREF kSkinFallbackDialogColor = RGB(239, 243, 255);
// The window property (value 1) by which the program's own dialogs ask for the bitmap background.
constexpr char kOwnDialogProperty[] = "UNINSTALL_HWND";

// What the skinned button procedure keeps per push button.
struct SkinButtonRecord {
  WNDPROC m_prevProc = nullptr;  // the button's procedure before it was skinned
  LONG m_bPressed = 0;           // 1 while the left mouse button is held down on it
  LONG m_bHover = 0;             // 1 while the mouse is over it (the button holds the capture)
  LONG m_bDefault = 0;           // 1 while it is its dialog's default push button
};

// Installs and removes the hook. A window's entry leaves the tables below when the window is
// destroyed while the hook is installed; the destructor frees the button records left.
class CSkinHook {
public:
  CSkinHook() = default;
  virtual ~CSkinHook();
  CSkinHook(const CSkinHook&) = delete;
  CSkinHook& operator=(const CSkinHook&) = delete;

  // Creates the dialog brush, loads the background bitmap and hooks the calling thread. Returns
  // the hook, null when it could not be installed. A second call keeps the hook already in place.
  HHOOK Install();
  // Unhooks; nonzero when a hook was removed (zero when none was installed).
  BOOL Remove();
};

// Process-wide skin state, used on the hooked thread only.
extern HHOOK g_hSkinHook;
extern ScopedBitmap g_skinBitmap;  // the program's dialogs' background; null when not loaded
extern ScopedBrush g_skinBrush;    // the other dialogs' background
extern std::vector<HWND>& g_skinnedDialogs;  // every skinned dialog still there, in the order met
extern std::map<HWND, WNDPROC>& g_dialogProcs;
extern std::map<HWND, WNDPROC>& g_menuProcs;
extern std::map<HWND, WNDPROC>& g_tabProcs;
extern std::map<HWND, std::unique_ptr<SkinButtonRecord>>& g_buttonStates;

LRESULT CALLBACK SkinCallWndProc(int code, WPARAM wParam, LPARAM lParam);
// Skins one child of a dialog: push buttons and tab controls. Always TRUE.
BOOL CALLBACK SkinChildEnumProc(HWND child, LPARAM);
LRESULT CALLBACK SkinDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The brush for dialog backgrounds, created in the fallback colour when there is none yet.
HBRUSH SkinDialogBrush();

// Stretches the whole bitmap over rect (SRCCOPY): with the DC's own stretch mode at the design
// scale (the default), smoothly at any other. Draws nothing without a bitmap.
void PaintSkinBackground(HDC dc, const RECT& rect, HBITMAP bitmap,
                         DisplayScale scale = DisplayScale());
