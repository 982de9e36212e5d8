#include "ui/skin_button.h"

#include <string>
#include <vector>

#include "framework/gdi.h"
#include "ui/lang_dialog.h"
#include "ui/res/resource.h"
#include "ui/scaled_bitmap.h"
#include "ui/skin_color.h"
#include "ui/skin_hook.h"

namespace {

void FillRow(HDC dc, int left, int right, int y, COLORREF color) {
  const RECT row{left, y, right, y + 1};
  ScopedBrush brush(::CreateSolidBrush(color));
  ::FillRect(dc, &row, brush.Get());
}

// Widths at 96 DPI.
constexpr int kOutlineWidth = 1;
constexpr int kCornerDiameter = 5;
constexpr int kFaceInset = 2;
constexpr int kFrameWidth = 3;
constexpr int kPressedOffset = 1;

void DrawEdgeLine(HDC dc, int width, COLORREF color, int x, int y) {
  ScopedPen pen(::CreatePen(PS_INSIDEFRAME, width, color));
  ScopedSelect select(dc, pen.Get());
  ::LineTo(dc, x, y);
}

// The frame runs from (left, top) down, along the bottom, up the right and back along the top.
void PaintHoverFrame(HDC dc, int width, int left, int top, int right, int bottom) {
  ::MoveToEx(dc, left, top, nullptr);
  DrawEdgeLine(dc, width, kButtonHoverLeftColor, left, bottom);
  DrawEdgeLine(dc, width, kButtonHoverBottomColor, right, bottom);
  DrawEdgeLine(dc, width, kButtonHoverRightColor, right, top);
  DrawEdgeLine(dc, width, kButtonHoverTopColor, left, top);
}

void PaintFocusFrame(HDC dc, int width, int left, int top, int right, int bottom) {
  ScopedPen pen(::CreatePen(PS_SOLID, width, kButtonFocusColor));
  ScopedSelect select(dc, pen.Get());
  const POINT corners[] = {{left, top}, {left, bottom}, {right, bottom}, {right, top}, {left, top}};
  ::Polyline(dc, corners, 5);
}

std::string WindowText(HWND hwnd) {
  std::vector<char> text(static_cast<size_t>(::GetWindowTextLengthA(hwnd)) + 1, '\0');
  ::GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
  return text.data();
}

void InvalidateButton(HWND hwnd) { ::InvalidateRect(hwnd, nullptr, TRUE); }

void PlaceCloseButton(HWND button) {
  RECT parent{}, own{};
  ::GetClientRect(::GetParent(button), &parent);
  ::GetClientRect(button, &own);
  const int margin = SystemDisplayScale().Px(kCloseButtonMargin);
  ::SetWindowPos(button, HWND_TOP, parent.right - own.right - margin, margin, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE);
}

void OnPaint(HWND hwnd) {
  if (!::IsWindowVisible(hwnd)) return;
  ScopedPaint paint(hwnd);
  const auto found = g_buttonStates.find(hwnd);
  if (found == g_buttonStates.end() || !found->second) return;
  const SkinButtonRecord& record = *found->second;

  if (::GetDlgCtrlID(hwnd) == kCloseButtonId) {
    ScopedBitmap bitmap(
        LoadScaledBitmap(record.m_bHover ? IDB_CLOSE_HOT : IDB_CLOSE, SystemDisplayScale()).Detach());
    const SIZE size = BitmapSize(bitmap.Get());
    if (size.cx <= 0) return;
    // Resizing sends WM_SIZE, which puts the button back into its corner.
    ::SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PaintCloseButton(paint.Get(), bitmap.Get());
    return;
  }

  RECT client{};
  ::GetClientRect(hwnd, &client);
  SkinButtonLook look;
  look.hover = record.m_bHover != 0;
  look.pressed = record.m_bPressed != 0;
  look.focused = ::GetFocus() == hwnd;
  look.enabled = ::IsWindowEnabled(hwnd) != FALSE;
  PaintSkinButton(paint.Get(), client, look, WindowText(hwnd).c_str(), g_hDialogFont,
                  SystemDisplayScale());
}

void OnLButtonDown(HWND hwnd, SkinButtonRecord& record) {
  if (::GetCapture() != hwnd) ::SetCapture(hwnd);
  record.m_bPressed = 1;
  InvalidateButton(hwnd);
}

void OnLButtonUp(HWND hwnd, SkinButtonRecord& record) {
  // Only a press that began on this button and was not dragged off it is a click; a press that
  // began elsewhere and was released over the button is not.
  const bool click = record.m_bPressed != 0;
  if (::GetCapture() == hwnd) ::ReleaseCapture();
  record.m_bPressed = 0;
  InvalidateButton(hwnd);
  if (!click) return;
  const int id = ::GetDlgCtrlID(hwnd);
  ::SendMessageA(::GetParent(hwnd), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(hwnd));
}

void OnMouseMove(HWND hwnd, SkinButtonRecord& record, LPARAM lParam) {
  // Unsigned: while the button holds the capture, a cursor left of or above it gives large
  // values, which lie outside as well.
  const POINT cursor{static_cast<LONG>(LOWORD(lParam)), static_cast<LONG>(HIWORD(lParam))};
  RECT client{};
  ::GetClientRect(hwnd, &client);
  if (::PtInRect(&client, cursor)) {
    if (record.m_bHover) return;
    // The capture tells the button when the mouse leaves it.
    if (::GetCapture() != hwnd) ::SetCapture(hwnd);
    record.m_bHover = 1;
  } else {
    if (::GetCapture() == hwnd) ::ReleaseCapture();
    record.m_bHover = 0;
  }
  InvalidateButton(hwnd);
}

// Owner-drawn buttons answer as plain buttons; a skinned one answers as the push button it was,
// so that the dialog manager sends Enter to the focused button and moves the default with the
// focus.
LRESULT DialogCode(const SkinButtonRecord& record) {
  return DLGC_BUTTON | (record.m_bDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

// The dialog manager makes a push button the default or takes that from it with BM_SETSTYLE.
// The button keeps its owner-drawn style and remembers the change instead; other bits of the
// style and the redraw flag go on to the previous procedure.
LRESULT OnSetStyle(HWND hwnd, SkinButtonRecord& record, WPARAM style, LPARAM redraw) {
  const WPARAM type = style & BS_TYPEMASK;
  if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
    record.m_bDefault = type == BS_DEFPUSHBUTTON ? 1 : 0;
    style = (style & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW;
  }
  return ::CallWindowProcA(record.m_prevProc, hwnd, BM_SETSTYLE, style, redraw);
}

}  // namespace

COLORREF SkinButtonFaceColor(int row, int innerHeight, bool hover) {
  const COLORREF middle = hover ? kButtonFaceMiddleHoverColor : kButtonFaceMiddleColor;
  // A face less than 2 pixels high has no half to spread the gradient over.
  if (innerHeight < 2) return middle;
  return BlendColor(kButtonFaceTopColor, middle, row * 100 / (innerHeight / 2));
}

void PaintSkinButton(HDC dc, const RECT& client, const SkinButtonLook& look, const char* text,
                     HFONT font, DisplayScale scale) {
  // Created before the DC is saved, so the restore deselects it before it is deleted. A thicker
  // outline stays inside the button.
  ScopedPen outline(::CreatePen(PS_INSIDEFRAME, scale.Line(kOutlineWidth), RGB(0, 0, 0)));
  ScopedSaveDC saved(dc);
  ::SelectObject(dc, outline ? static_cast<HGDIOBJ>(outline.Get()) : ::GetStockObject(BLACK_PEN));
  ::SelectObject(dc, ::GetStockObject(WHITE_BRUSH));
  const int corner = scale.Px(kCornerDiameter);
  ::RoundRect(dc, client.left, client.top, client.right, client.bottom, corner, corner);

  RECT face = client;
  ::InflateRect(&face, -scale.Px(kFaceInset), -scale.Px(kFaceInset));
  const int height = face.bottom - face.top;
  // Rows 0 to height inclusive: the last one lies on the outline's inner edge.
  for (int i = 0; i <= height; ++i)
    FillRow(dc, face.left, face.right, face.top + i, SkinButtonFaceColor(i, height, look.hover));

  const int left = face.left, top = face.top, right = face.right - 1, bottom = face.bottom - 1;
  const int frameWidth = scale.Line(kFrameWidth);
  if (look.hover)
    PaintHoverFrame(dc, frameWidth, left, top, right, bottom);
  else if (look.focused)
    PaintFocusFrame(dc, frameWidth, left, top, right, bottom);
  if (!look.hover && look.focused) ::DrawFocusRect(dc, &face);

  RECT textRect = face;
  if (look.pressed) ::OffsetRect(&textRect, scale.Px(kPressedOffset), scale.Px(kPressedOffset));
  if (font) ::SelectObject(dc, font);
  ::SetTextColor(dc, look.enabled ? kButtonTextColor : kButtonDisabledTextColor);
  ::SetBkMode(dc, TRANSPARENT);
  ::DrawTextA(dc, text ? text : "", -1, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void PaintCloseButton(HDC dc, HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || !::GetObjectA(bitmap, sizeof(info), &info)) return;
  ScopedMemoryDC memory(dc);
  ScopedSelect select(memory.Get(), bitmap);
  ::BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, memory.Get(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK SkinButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto found = g_buttonStates.find(hwnd);
  if (found == g_buttonStates.end() || !found->second) return 0;
  SkinButtonRecord& record = *found->second;
  switch (msg) {
    case WM_SIZE:
    case WM_SHOWWINDOW:
      if (::GetDlgCtrlID(hwnd) == kCloseButtonId) PlaceCloseButton(hwnd);
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
      InvalidateButton(hwnd);
      break;
    case WM_PAINT:
      OnPaint(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEMOVE:
      OnMouseMove(hwnd, record, lParam);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:  // the second press of a double click is a press as well
      OnLButtonDown(hwnd, record);
      return 0;
    case WM_LBUTTONUP:
      OnLButtonUp(hwnd, record);
      return 0;
    case WM_GETDLGCODE:
      return DialogCode(record);
    case BM_SETSTYLE:
      return OnSetStyle(hwnd, record, wParam, lParam);
    case WM_CAPTURECHANGED:
      // Losing the capture ends hover and press alike: a press dragged off the button is dropped.
      record.m_bPressed = 0;
      record.m_bHover = 0;
      InvalidateButton(hwnd);
      return 0;
    default:
      break;
  }
  return ::CallWindowProcA(record.m_prevProc, hwnd, msg, wParam, lParam);
}
