#include "framework/dialog.h"

#include <vector>

#include "framework/wnd.h"

void DDX_Text(CDataExchange& dx, int id, std::string& value) {
  HWND ctl = ::GetDlgItem(dx.m_hDlg, id);
  if (!ctl) return;
  if (dx.m_bSaveAndValidate) {
    int len = ::GetWindowTextLengthA(ctl);
    std::vector<char> buf(static_cast<size_t>(len) + 1, '\0');
    ::GetWindowTextA(ctl, buf.data(), len + 1);
    value = buf.data();
  } else {
    ::SetWindowTextA(ctl, value.c_str());
  }
}

void DDX_Radio(CDataExchange& dx, int firstId, int& index) {
  HWND ctl = ::GetDlgItem(dx.m_hDlg, firstId);
  if (!ctl) return;
  // Walk the group: the controls from firstId up to the next one with WS_GROUP. Only radio
  // buttons count and are touched; push buttons and check boxes in the group are left alone.
  int i = 0;
  if (dx.m_bSaveAndValidate) index = -1;
  for (HWND w = ctl; w; w = ::GetWindow(w, GW_HWNDNEXT)) {
    if (w != ctl && (::GetWindowLongA(w, GWL_STYLE) & WS_GROUP)) break;
    if (!(::SendMessageA(w, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)) continue;
    if (dx.m_bSaveAndValidate) {
      if (::SendMessageA(w, BM_GETCHECK, 0, 0) == BST_CHECKED) { index = i; break; }
    } else {
      ::SendMessageA(w, BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    ++i;
  }
}

bool DDX_Control(CDataExchange& dx, int id, CWnd& control) {
  HWND ctl = ::GetDlgItem(dx.m_hDlg, id);
  if (!ctl) return false;
  if (control.GetSafeHwnd() == ctl) return true;
  return control.SubclassWindow(ctl);
}

CDialog::CDialog(UINT templateId, HWND parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal() {
  m_modalDone = false;
  m_result = -1;
  HWND hwnd = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId),
                                   m_parent, &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
  if (!hwnd) return -1;
  const bool parentEnabled = m_parent && ::IsWindowEnabled(m_parent);
  if (parentEnabled) ::EnableWindow(m_parent, FALSE);
  // The dialog may already have ended itself inside WM_INITDIALOG.
  if (!m_modalDone) ::ShowWindow(hwnd, SW_SHOW);

  MSG msg;
  while (!m_modalDone) {
    BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      // Someone asked the thread to quit: leave the modal loop and pass the request on.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got == -1) break;
    if (PreTranslateMessage(&msg)) continue;
    if (::IsDialogMessageA(hwnd, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  if (parentEnabled) ::EnableWindow(m_parent, TRUE);
  if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
  m_hWnd = nullptr;
  return m_result;
}

void CDialog::EndDialog(int result) {
  m_result = result;
  m_modalDone = true;
  if (m_hWnd) ::ShowWindow(m_hWnd, SW_HIDE);
  // Wake the modal loop in case this came from another thread or a sent message.
  ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

bool CDialog::UpdateData(bool saveAndValidate) {
  if (!m_hWnd) return false;
  CDataExchange dx{m_hWnd, saveAndValidate};
  DoDataExchange(dx);
  return true;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(false);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(true)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::PreTranslateMessage(MSG*) { return false; }

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CDialog* self;
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog*>(lParam);
    ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    self->m_hWnd = hwnd;
  } else {
    self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  return self->HandleMessage(msg, wParam, lParam);
}

INT_PTR CDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
        if (LOWORD(wParam) == IDOK) { OnOK(); return TRUE; }
        if (LOWORD(wParam) == IDCANCEL) { OnCancel(); return TRUE; }
      }
      break;
    case WM_NCDESTROY:
      ::SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
      m_hWnd = nullptr;
      return FALSE;
    default:
      break;
  }
  LRESULT result = 0;
  if (!OnMessage(msg, wParam, lParam, result)) return FALSE;
  switch (msg) {
    // These messages return their result directly from a dialog procedure.
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: case WM_COMPAREITEM:
    case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON:
      return static_cast<INT_PTR>(result);
    default:
      ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
      return TRUE;
  }
}
