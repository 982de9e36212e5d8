// Owners and guards for GDI: an owned object is deleted, a borrowed one never; every guard
// restores the device context on every exit path.
#pragma once
#include <windows.h>

// An owned GDI object (brush, pen, font, bitmap, region), deleted with DeleteObject.
template <typename T>
class ScopedGdiObject {
public:
  ScopedGdiObject() = default;
  explicit ScopedGdiObject(T h) : m_h(h) {}
  ~ScopedGdiObject() { Reset(); }
  ScopedGdiObject(const ScopedGdiObject&) = delete;
  ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;

  T Get() const { return m_h; }
  explicit operator bool() const { return m_h != nullptr; }
  void Reset(T h = nullptr) { if (m_h) ::DeleteObject(m_h); m_h = h; }
  T Detach() { T h = m_h; m_h = nullptr; return h; }

private:
  T m_h = nullptr;
};
using ScopedBrush = ScopedGdiObject<HBRUSH>;
using ScopedPen = ScopedGdiObject<HPEN>;
using ScopedFont = ScopedGdiObject<HFONT>;
using ScopedBitmap = ScopedGdiObject<HBITMAP>;
using ScopedRegion = ScopedGdiObject<HRGN>;

// GetDC/ReleaseDC for a window (or the screen when the window is null).
class ScopedWindowDC {
public:
  explicit ScopedWindowDC(HWND hwnd) : m_hwnd(hwnd), m_dc(::GetDC(hwnd)) {}
  ~ScopedWindowDC() { if (m_dc) ::ReleaseDC(m_hwnd, m_dc); }
  ScopedWindowDC(const ScopedWindowDC&) = delete;
  ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
  HDC Get() const { return m_dc; }

private:
  HWND m_hwnd;
  HDC m_dc;
};

// GetWindowDC/ReleaseDC: the whole window including its frame.
class ScopedWholeWindowDC {
public:
  explicit ScopedWholeWindowDC(HWND hwnd) : m_hwnd(hwnd), m_dc(::GetWindowDC(hwnd)) {}
  ~ScopedWholeWindowDC() { if (m_dc) ::ReleaseDC(m_hwnd, m_dc); }
  ScopedWholeWindowDC(const ScopedWholeWindowDC&) = delete;
  ScopedWholeWindowDC& operator=(const ScopedWholeWindowDC&) = delete;
  HDC Get() const { return m_dc; }

private:
  HWND m_hwnd;
  HDC m_dc;
};

// BeginPaint/EndPaint.
class ScopedPaint {
public:
  explicit ScopedPaint(HWND hwnd) : m_hwnd(hwnd) { m_dc = ::BeginPaint(hwnd, &m_ps); }
  ~ScopedPaint() { ::EndPaint(m_hwnd, &m_ps); }
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;
  HDC Get() const { return m_dc; }
  const RECT& PaintRect() const { return m_ps.rcPaint; }

private:
  HWND m_hwnd;
  PAINTSTRUCT m_ps{};
  HDC m_dc;
};

// A memory device context compatible with another one, deleted with DeleteDC.
class ScopedMemoryDC {
public:
  explicit ScopedMemoryDC(HDC compatible) : m_dc(::CreateCompatibleDC(compatible)) {}
  ~ScopedMemoryDC() { if (m_dc) ::DeleteDC(m_dc); }
  ScopedMemoryDC(const ScopedMemoryDC&) = delete;
  ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
  HDC Get() const { return m_dc; }

private:
  HDC m_dc;
};

// Selects an object into a device context and selects the previous one back.
class ScopedSelect {
public:
  ScopedSelect(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(obj ? ::SelectObject(dc, obj) : nullptr) {}
  ~ScopedSelect() { if (m_old) ::SelectObject(m_dc, m_old); }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
  HDC m_dc;
  HGDIOBJ m_old;
};

// SaveDC/RestoreDC around drawing that changes clip, modes or colours.
class ScopedSaveDC {
public:
  explicit ScopedSaveDC(HDC dc) : m_dc(dc), m_saved(::SaveDC(dc)) {}
  ~ScopedSaveDC() { if (m_saved) ::RestoreDC(m_dc, m_saved); }
  ScopedSaveDC(const ScopedSaveDC&) = delete;
  ScopedSaveDC& operator=(const ScopedSaveDC&) = delete;

private:
  HDC m_dc;
  int m_saved;
};
