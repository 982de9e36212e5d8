#include "ui/progress_dlg.h"

#include "language/language_pack.h"
#include "ui/res/resource.h"

namespace {
const UINT_PTR kRefreshTimer = 101;
const UINT kRefreshPeriodMs = 100;

const char kTextModule[] = "uninstall";
const char kDialogKey[] = "IDD_Uninstall1";
}  // namespace

CProgressDlg::CProgressDlg(CLanguagePack& pack, UINT templateId, HWND parent)
    : CLangDialog(templateId, parent),
      m_pack(pack),
      m_hIcon(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAIN))),
      m_running(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      m_closed(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      m_abandoned(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

bool CProgressDlg::WaitUntilRunning(DWORD timeoutMs) const {
  const HANDLE events[] = {m_running.Get(), m_abandoned.Get()};
  return ::WaitForMultipleObjects(2, events, FALSE, timeoutMs) == WAIT_OBJECT_0;
}

void CProgressDlg::Close() {
  // Set first: the window takes a WM_CLOSE only once the worker has asked for it.
  ::SetEvent(m_closed.Get());
  if (const HWND window = m_publishedWnd.load()) ::SendMessageA(window, WM_CLOSE, 0, 0);
}

void CProgressDlg::Abandon() { ::SetEvent(m_abandoned.Get()); }

void CProgressDlg::RunHidden() {
  ::SetEvent(m_running.Get());
  ::WaitForSingleObject(m_closed.Get(), INFINITE);
  ::ResetEvent(m_running.Get());
  ::ResetEvent(m_closed.Get());
}

void CProgressDlg::OnCancel() {
  if (::WaitForSingleObject(m_closed.Get(), 0) == WAIT_OBJECT_0) CLangDialog::OnCancel();
}

void CProgressDlg::SetStepPos(int pos) { m_stepBar.SetPos(pos); }

void CProgressDlg::SetTotalPos(int pos) {
  if (pos == m_totalBar.GetPos()) return;
  m_totalBar.SetPos(pos);
  if (const HWND bar = m_totalBar.GetSafeHwnd()) ::InvalidateRect(bar, nullptr, FALSE);
}

int CProgressDlg::GetTotalPos() const { return m_totalBar.GetPos(); }

void CProgressDlg::SetStatusText(const std::string& text) {
  CCriticalSectionLock lock(m_statusLock);
  m_strStatus = text;
}

std::string CProgressDlg::GetStatusText() const {
  CCriticalSectionLock lock(m_statusLock);
  return m_strStatus;
}

void CProgressDlg::DoDataExchange(CDataExchange& dx) {
  CLangDialog::DoDataExchange(dx);
  // Template 136 has no bars: they then stay unattached and draw nothing.
  DDX_Control(dx, IDC_TOTAL_BAR, m_totalBar);
  DDX_Control(dx, IDC_STEP_BAR, m_stepBar);
  // The text goes from the worker to the window only, as a whole copy taken under the lock.
  if (!dx.m_bSaveAndValidate) {
    std::string status = GetStatusText();
    DDX_Text(dx, IDC_STATUS_TEXT, status);
  }
}

BOOL CProgressDlg::OnInitDialog() {
  CLangDialog::OnInitDialog();
  ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

  char caption[50] = {};
  m_pack.GetText(kTextModule, kDialogKey, "MSGTIP1", caption, sizeof(caption));
  const std::string title = m_pack.GetDefine("PROGRAM_CLIENT_NAME") + " " + caption;
  ::SetWindowTextA(m_hWnd, title.c_str());

  char text[1024] = {};
  m_pack.GetText(kTextModule, kDialogKey, "TEXT1", text, sizeof(text));
  ::SetDlgItemTextA(m_hWnd, IDC_STATUS_TEXT, text);
  m_pack.GetText(kTextModule, kDialogKey, "TEXT2", text, sizeof(text));
  ::SetDlgItemTextA(m_hWnd, IDC_TOTAL_LABEL, text);

  ::SetTimer(m_hWnd, kRefreshTimer, kRefreshPeriodMs, nullptr);
  m_publishedWnd.store(m_hWnd);
  ::SetEvent(m_running.Get());
  // The worker gave up before the window came: the run ends at once.
  if (::WaitForSingleObject(m_closed.Get(), 0) == WAIT_OBJECT_0) ::PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
  return TRUE;
}

bool CProgressDlg::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && (msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN))
    return true;
  return CLangDialog::PreTranslateMessage(msg);
}

bool CProgressDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_TIMER:
      OnTimer(static_cast<UINT_PTR>(wParam));
      return false;  // every timer goes on to the default processing
    case WM_SYSCOMMAND:
      // Alt+F4 and the task bar's close command would end the run under the worker's feet.
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        result = 0;
        return true;
      }
      return false;
    case WM_CLOSE:
      // Only the worker's own closing ends the run; End Task's WM_CLOSE would end it under its feet.
      if (::WaitForSingleObject(m_closed.Get(), 0) != WAIT_OBJECT_0) {
        result = 0;
        return true;
      }
      return CLangDialog::OnMessage(msg, wParam, lParam, result);
    case WM_DESTROY:
      ::ResetEvent(m_running.Get());
      ::ResetEvent(m_closed.Get());
      m_publishedWnd.store(nullptr);
      return CLangDialog::OnMessage(msg, wParam, lParam, result);
    default:
      return CLangDialog::OnMessage(msg, wParam, lParam, result);
  }
}

void CProgressDlg::OnTimer(UINT_PTR id) {
  if (id != kRefreshTimer) return;
  UpdateData(false);
  // The status text is drawn transparently over the skinned background: repaint the
  // background behind it too, or the old text would show through.
  const HWND status = GetDlgItem(IDC_STATUS_TEXT);
  if (!status) return;
  RECT area = {};
  ::GetWindowRect(status, &area);
  ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&area), 2);
  ::InvalidateRect(m_hWnd, &area, TRUE);
}
