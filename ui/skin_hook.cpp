#include "ui/skin_hook.h"

#include <algorithm>
#include <cstring>

#include "ui/res/resource.h"
#include "ui/scaled_bitmap.h"
#include "ui/skin_button.h"
#include "ui/skin_menu.h"
#include "ui/skin_tab.h"

namespace {

// The tables live until the process ends and are never destroyed: the application object's
// destructor (CSkinHook's) still reads g_buttonStates, and globals of different sources are
// destroyed in no fixed order.
template <typename T>
T& Immortal() {
  return *new T;
}

bool HasClass(HWND hwnd, const char* className) {
  char name[256] = {};
  ::GetClassNameA(hwnd, name, sizeof(name));
  return std::strcmp(name, className) == 0;
}

// In the 32-bit program these are SetWindowLongA / GetWindowLongA with GWL_WNDPROC; the pointer-
// sized names also build the 64-bit test variant.
WNDPROC ReplaceWndProc(HWND hwnd, WNDPROC proc) {
  return reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

WNDPROC CurrentWndProc(HWND hwnd) { return reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC)); }

bool SystemSetting(UINT action) {
  BOOL on = FALSE;
  return ::SystemParametersInfoA(action, 0, &on, 0) && on;
}

// Popup menus keep the system's look when the system draws them flat or with a shadow.
void SkinPopupMenu(HWND menu) {
  if (SystemSetting(SPI_GETFLATMENU) || SystemSetting(SPI_GETDROPSHADOW)) return;
  g_menuProcs[menu] = ReplaceWndProc(menu, &SkinMenuProc);
}

void SkinDialog(HWND dialog) {
  if (std::find(g_skinnedDialogs.begin(), g_skinnedDialogs.end(), dialog) !=
      g_skinnedDialogs.end())
    return;
  ::EnumChildWindows(dialog, &SkinChildEnumProc, 0);
  g_dialogProcs[dialog] = ReplaceWndProc(dialog, &SkinDialogProc);
  g_skinnedDialogs.push_back(dialog);
}

void SkinPushButton(HWND button) {
  const LONG style = ::GetWindowLongA(button, GWL_STYLE);
  const LONG type = style & 0x1F;
  // Owner-drawn buttons draw themselves; check boxes, radio buttons and group boxes keep the
  // system's look. Once skinned a button is owner-drawn, so a second pass leaves it alone.
  if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) return;
  ::SetWindowLongA(button, GWL_STYLE, style | BS_OWNERDRAW);
  auto record = std::make_unique<SkinButtonRecord>();
  // The owner-drawn style no longer says which push button is the default; the record does.
  record->m_bDefault = type == BS_DEFPUSHBUTTON ? 1 : 0;
  record->m_prevProc = ReplaceWndProc(button, &SkinButtonProc);
  g_buttonStates[button] = std::move(record);
}

void SkinTabControl(HWND tab) {
  // A tab control inside a nested dialog is met again when that dialog is shown; subclassing it
  // twice would make SkinTabProc its own previous procedure.
  if (CurrentWndProc(tab) == &SkinTabProc) return;
  g_tabProcs[tab] = ReplaceWndProc(tab, &SkinTabProc);
}

bool IsOwnDialog(HWND hwnd) { return ::GetPropA(hwnd, kOwnDialogProperty) != nullptr; }

void OnDialogPaint(HWND hwnd) {
  if (!IsOwnDialog(hwnd) || !g_skinBitmap) return;
  ScopedPaint paint(hwnd);
  RECT client{};
  ::GetClientRect(hwnd, &client);
  PaintSkinBackground(paint.Get(), client, g_skinBitmap.Get(), SystemDisplayScale());
  ::UpdateWindow(hwnd);
}

// Ends the dialog when the command comes from its default button (notification code 0).
void OnDialogCommand(HWND hwnd, WPARAM wParam) {
  const LRESULT defId = ::SendMessageA(hwnd, DM_GETDEFID, 0, 0);
  if (HIWORD(defId) != DC_HASDEFID) return;
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  if (wParam == LOWORD(defId)) ::EndDialog(hwnd, LOWORD(defId));
}

// Takes one table's entry for a window that is being destroyed: its own procedure goes back
// first, so the system's procedure still sees WM_NCDESTROY. A window subclassed again after the
// skin keeps its entry, since the later procedure still passes messages on to the skin's.
template <typename Table, typename PreviousOf>
void ForgetIn(Table& table, HWND hwnd, WNDPROC skinned, PreviousOf previousOf) {
  const auto found = table.find(hwnd);
  if (found == table.end() || CurrentWndProc(hwnd) != skinned) return;
  const WNDPROC previous = previousOf(found->second);
  if (previous) ReplaceWndProc(hwnd, previous);
  table.erase(found);
}

// Forgets a window as it is destroyed, so a later window that is given the same handle is
// skinned afresh instead of being taken for one already skinned.
void ForgetWindow(HWND hwnd) {
  const auto proc = [](WNDPROC previous) { return previous; };
  ForgetIn(g_dialogProcs, hwnd, &SkinDialogProc, proc);
  if (!g_dialogProcs.count(hwnd))
    g_skinnedDialogs.erase(std::remove(g_skinnedDialogs.begin(), g_skinnedDialogs.end(), hwnd),
                           g_skinnedDialogs.end());
  ForgetIn(g_menuProcs, hwnd, &SkinMenuProc, proc);
  ForgetIn(g_tabProcs, hwnd, &SkinTabProc, proc);
  ForgetIn(g_buttonStates, hwnd, &SkinButtonProc,
           [](const std::unique_ptr<SkinButtonRecord>& record) { return record ? record->m_prevProc : nullptr; });
}

}  // namespace

HHOOK g_hSkinHook = nullptr;
ScopedBitmap g_skinBitmap;
ScopedBrush g_skinBrush;
std::vector<HWND>& g_skinnedDialogs = Immortal<std::vector<HWND>>();
std::map<HWND, WNDPROC>& g_dialogProcs = Immortal<std::map<HWND, WNDPROC>>();
std::map<HWND, WNDPROC>& g_menuProcs = Immortal<std::map<HWND, WNDPROC>>();
std::map<HWND, WNDPROC>& g_tabProcs = Immortal<std::map<HWND, WNDPROC>>();
std::map<HWND, std::unique_ptr<SkinButtonRecord>>& g_buttonStates =
    Immortal<std::map<HWND, std::unique_ptr<SkinButtonRecord>>>();

CSkinHook::~CSkinHook() {
  for (auto& entry : g_buttonStates) entry.second.reset();
}

HHOOK CSkinHook::Install() {
  if (!g_skinBrush) g_skinBrush.Reset(::CreateSolidBrush(kSkinDialogColor));
  if (!g_skinBitmap)
    g_skinBitmap.Reset(::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SKIN)));
  if (!g_hSkinHook)
    g_hSkinHook = ::SetWindowsHookExA(WH_CALLWNDPROC, &SkinCallWndProc, nullptr,
                                      ::GetCurrentThreadId());
  return g_hSkinHook;
}

BOOL CSkinHook::Remove() {
  if (!g_hSkinHook) return FALSE;
  const BOOL removed = ::UnhookWindowsHookEx(g_hSkinHook);
  if (removed) g_hSkinHook = nullptr;
  return removed;
}

LRESULT CALLBACK SkinCallWndProc(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call && call->hwnd) {
    if (call->message == WM_CREATE && HasClass(call->hwnd, "#32768"))
      SkinPopupMenu(call->hwnd);
    else if (call->message == WM_SHOWWINDOW && HasClass(call->hwnd, "#32770"))
      SkinDialog(call->hwnd);
    else if (call->message == WM_NCDESTROY)
      ForgetWindow(call->hwnd);
  }
  return ::CallNextHookEx(g_hSkinHook, code, wParam, lParam);
}

BOOL CALLBACK SkinChildEnumProc(HWND child, LPARAM) {
  if (HasClass(child, "Button"))
    SkinPushButton(child);
  else if (HasClass(child, "SysTabControl32"))
    SkinTabControl(child);
  return TRUE;
}

HBRUSH SkinDialogBrush() {
  if (!g_skinBrush) g_skinBrush.Reset(::CreateSolidBrush(kSkinFallbackDialogColor));
  return g_skinBrush.Get();
}

LRESULT CALLBACK SkinDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto found = g_dialogProcs.find(hwnd);
  if (found == g_dialogProcs.end()) return 0;
  const WNDPROC previous = found->second;
  switch (msg) {
    case WM_PAINT:
      OnDialogPaint(hwnd);
      break;
    case WM_COMMAND:
      OnDialogCommand(hwnd, wParam);
      break;
    case WM_CTLCOLORDLG:
      return reinterpret_cast<LRESULT>(SkinDialogBrush());
    case WM_CTLCOLORSTATIC:
      ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      // The program's own dialogs let their bitmap show through the static controls.
      if (IsOwnDialog(hwnd)) return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
      return reinterpret_cast<LRESULT>(SkinDialogBrush());
    default:
      break;
  }
  return ::CallWindowProcA(previous, hwnd, msg, wParam, lParam);
}

void PaintSkinBackground(HDC dc, const RECT& rect, HBITMAP bitmap, DisplayScale scale) {
  if (!bitmap) return;
  BITMAP info{};
  if (!::GetObjectA(bitmap, sizeof(info), &info)) return;
  ScopedSaveDC saved(dc);
  if (!scale.IsDesignScale()) SetSmoothStretch(dc);
  ScopedMemoryDC memory(dc);
  ScopedSelect select(memory.Get(), bitmap);
  ::StretchBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               memory.Get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
}
