// Shared by the skin tests: a real dialog ("#32770") of exact pixel size with real child
// windows, waiting while the thread's messages are dispatched, real mouse input, and pixels read
// back from windows and from memory device contexts.
#pragma once
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scaled_run.h"
#include "support/test_support.h"
#include "support/test_thread.h"
#include "ui/skin_hook.h"

namespace skin_test {

// Dispatches every message waiting for this thread (dialog keys included).
inline void PumpMessages() {
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    HWND top = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (top && ::IsDialogMessageA(top, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

// Polls cond while the thread's windows keep working.
inline bool PumpUntil(const std::function<bool()>& cond, DWORD timeoutMs = 20000) {
  return test::WaitUntil([&] {
    PumpMessages();
    return cond();
  }, timeoutMs);
}

inline WNDPROC WndProcOf(HWND hwnd) {
  return reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
}

inline COLORREF Rgb(COLORREF c) { return c & 0xFFFFFF; }

// The window holding the mouse capture on a thread (GetCapture answers for its own thread only).
inline HWND CaptureOf(DWORD threadId) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return ::GetGUIThreadInfo(threadId, &info) ? info.hwndCapture : nullptr;
}

struct Control {
  const char* className;
  int id;
  DWORD style;  // WS_CHILD | WS_VISIBLE are added
  RECT rect;    // client pixels of the dialog
  const char* text;
};

// A dialog of exactly clientSize pixels without frame at (40,40) on the screen, whose controls are
// created in pixels. It records the commands and mouse releases it gets and never ends itself:
// only EndDialog (as the skin does for the default button) ends its modal run.
class TestDialog {
public:
  TestDialog(SIZE clientSize, std::vector<Control> controls, bool ownDialog = false)
      : m_size(clientSize), m_controls(std::move(controls)), m_own(ownDialog) {
    // A template without items: style, extended style, item count, x, y, cx, cy, no menu, the
    // default class, an empty title.
    const DWORD style = WS_POPUP | WS_CLIPSIBLINGS;
    m_template.resize(12, 0);
    m_template[0] = LOWORD(style);
    m_template[1] = HIWORD(style);
  }
  ~TestDialog() { Destroy(); }
  TestDialog(const TestDialog&) = delete;
  TestDialog& operator=(const TestDialog&) = delete;

  // Creates the window hidden, as a child of parent when one is given.
  HWND Create(HWND parent = nullptr) {
    if (parent) {
      const DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
      m_template[0] = LOWORD(style);
      m_template[1] = HIWORD(style);
    }
    m_parent = parent;
    return ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr), Template(), parent,
                                        &TestDialog::Proc, reinterpret_cast<LPARAM>(this));
  }
  // Shows the window and lets it paint.
  void Show() {
    ::ShowWindow(m_hwnd, SW_SHOWNA);
    Repaint();
  }
  void Repaint() const {
    ::RedrawWindow(m_hwnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
  }
  // Runs the dialog modally on this thread; driver runs meanwhile on a thread of its own.
  INT_PTR RunModal(const std::function<void()>& driver) {
    test::Thread thread(driver);
    const INT_PTR result = ::DialogBoxIndirectParamA(::GetModuleHandleA(nullptr), Template(), nullptr,
                                                     &TestDialog::Proc, reinterpret_cast<LPARAM>(this));
    thread.Join();
    return result;
  }
  void Destroy() {
    if (m_hwnd && ::IsWindow(m_hwnd)) ::DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
  }

  HWND Hwnd() const { return m_hwnd; }
  HWND Item(int id) const { return ::GetDlgItem(m_hwnd, id); }
  int Clicks(int id) const {
    return static_cast<int>(std::count(m_commands.begin(), m_commands.end(),
                                       MAKEWPARAM(id, BN_CLICKED)));
  }
  int CommandCount() const { return static_cast<int>(m_commands.size()); }
  int MouseReleases() const { return m_mouseReleases; }

private:
  const DLGTEMPLATE* Template() const { return reinterpret_cast<const DLGTEMPLATE*>(m_template.data()); }

  static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TestDialog* self = reinterpret_cast<TestDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    switch (msg) {
      case WM_INITDIALOG:
        self = reinterpret_cast<TestDialog*>(lParam);
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->OnInit(hwnd);
        return FALSE;
      case WM_COMMAND:
        if (self) self->m_commands.push_back(wParam);
        return TRUE;
      case WM_LBUTTONUP:
        if (self) ++self->m_mouseReleases;
        return FALSE;
      case WM_DESTROY:
        ::RemovePropA(hwnd, kOwnDialogProperty);
        return FALSE;
      default:
        return FALSE;
    }
  }

  void OnInit(HWND hwnd) {
    m_hwnd = hwnd;
    const int x = m_parent ? 0 : 40, y = m_parent ? 0 : 40;
    ::SetWindowPos(hwnd, nullptr, x, y, m_size.cx, m_size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    for (const Control& c : m_controls) {
      ::CreateWindowExA(0, c.className, c.text, WS_CHILD | WS_VISIBLE | c.style, c.rect.left,
                        c.rect.top, c.rect.right - c.rect.left, c.rect.bottom - c.rect.top, hwnd,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                        ::GetModuleHandleA(nullptr), nullptr);
      // The dialog manager learns the default button from a template item; here it is told.
      if (std::string(c.className) == "Button" && (c.style & 0x1F) == BS_DEFPUSHBUTTON)
        ::SendMessageA(hwnd, DM_SETDEFID, c.id, 0);
    }
    if (m_own) ::SetPropA(hwnd, kOwnDialogProperty, reinterpret_cast<HANDLE>(1));
  }

  SIZE m_size;
  std::vector<Control> m_controls;
  bool m_own;
  HWND m_parent = nullptr;
  std::atomic<HWND> m_hwnd{nullptr};  // read by helper threads too
  std::vector<WORD> m_template;
  std::vector<WPARAM> m_commands;
  int m_mouseReleases = 0;
};

// A pixel of a window's client area as drawn on screen.
inline COLORREF ClientPixel(HWND hwnd, int x, int y) {
  ScopedWindowDC dc(hwnd);
  return Rgb(::GetPixel(dc.Get(), x, y));
}

// A pixel of the whole window (frame included).
inline COLORREF WindowPixel(HWND hwnd, int x, int y) {
  ScopedWholeWindowDC dc(hwnd);
  return Rgb(::GetPixel(dc.Get(), x, y));
}

// Counts the client pixels of a rectangle that have exactly the colour.
inline int CountPixels(HWND hwnd, const RECT& rect, COLORREF color) {
  ScopedWindowDC dc(hwnd);
  int count = 0;
  for (int y = rect.top; y < rect.bottom; ++y)
    for (int x = rect.left; x < rect.right; ++x)
      if (Rgb(::GetPixel(dc.Get(), x, y)) == color) ++count;
  return count;
}

// A 32-bit memory canvas to paint on and read back, filled with a colour first.
class Canvas {
public:
  Canvas(int width, int height, COLORREF fill = RGB(1, 2, 3))
      : m_screen(nullptr), m_dc(m_screen.Get()), m_width(width), m_height(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_bitmap.Reset(::CreateDIBSection(m_dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    m_old = ::SelectObject(m_dc.Get(), m_bitmap.Get());
    ScopedBrush brush(::CreateSolidBrush(fill));
    const RECT all{0, 0, width, height};
    ::FillRect(m_dc.Get(), &all, brush.Get());
  }
  ~Canvas() { ::SelectObject(m_dc.Get(), m_old); }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC Dc() const { return m_dc.Get(); }
  RECT Rect() const { return RECT{0, 0, m_width, m_height}; }
  COLORREF Pixel(int x, int y) const { return Rgb(::GetPixel(m_dc.Get(), x, y)); }
  int Count(const RECT& rect, COLORREF color) const {
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
      for (int x = rect.left; x < rect.right; ++x)
        if (Pixel(x, y) == color) ++count;
    return count;
  }

private:
  ScopedWindowDC m_screen;
  ScopedMemoryDC m_dc;
  ScopedBitmap m_bitmap;
  HGDIOBJ m_old = nullptr;
  int m_width, m_height;
};

// Real mouse input, as the system delivers it to the window under the cursor (or the capture).
inline void SendMouse(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  ::SendInput(1, &input, sizeof(input));
}

inline void MoveMouseTo(POINT screen) {
  ::SetCursorPos(screen.x, screen.y);
  SendMouse(MOUSEEVENTF_MOVE);
}

// Real keyboard input: one key pressed and released, delivered to the focus of the foreground
// window.
inline void PressKey(WORD key) {
  INPUT inputs[2] = {};
  for (INPUT& input : inputs) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
  }
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(2, inputs, sizeof(INPUT));
}

inline POINT ScreenPoint(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ::ClientToScreen(hwnd, &p);
  return p;
}

inline POINT CentreOf(HWND hwnd) {
  RECT r{};
  ::GetClientRect(hwnd, &r);
  return ScreenPoint(hwnd, r.right / 2, r.bottom / 2);
}

}  // namespace skin_test
