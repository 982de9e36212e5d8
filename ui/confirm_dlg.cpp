#include "ui/confirm_dlg.h"

#include <string>

#include "framework/timeline.h"
#include "language/language_pack.h"
#include "ui/res/resource.h"

namespace {

constexpr char kTextModule[] = "uninstall";
constexpr char kDialogKey[] = "IDD_DIALOG1";
constexpr size_t kTextBufferSize = 1024;

// Which language text each control shows. The keep-driver box shares "TEXT4" with the hidden
// second radio button.
struct ControlText {
  int id;
  const char* textId;
};
constexpr ControlText kControlTexts[] = {
    {IDC_QUESTION, "TEXT1"},          {IDC_CLOSE_NOTICE, "TEXT2"},
    {IDC_RADIO_ALL, "TEXT3"},         {IDC_RADIO_CLIENT_ONLY, "TEXT4"},
    {IDOK, "BTNTEXT1"},               {IDCANCEL, "BTNTEXT2"},
    {IDC_KEEP_USER_DATA, "TEXT5"},    {IDC_KEEP_CARD_DRIVER, "TEXT4"},
};

}  // namespace

CConfirmDlg::CConfirmDlg(CLanguagePack& pack, HWND parent) : CLangDialog(IDD_CONFIRM, parent), m_pack(pack) {}

void CConfirmDlg::DoDataExchange(CDataExchange& dx) {
  CLangDialog::DoDataExchange(dx);
  DDX_Radio(dx, IDC_RADIO_ALL, m_nKeepDriver);
}

BOOL CConfirmDlg::OnInitDialog() {
  CLangDialog::OnInitDialog();

  char text[kTextBufferSize];
  // The title is the client's name followed directly by "MSGTIP1", without a separator.
  m_pack.GetText(kTextModule, kDialogKey, "MSGTIP1", text, sizeof(text));
  const std::string title = m_pack.GetDefine("PROGRAM_CLIENT_NAME") + text;
  ::SetWindowTextA(m_hWnd, title.c_str());

  for (const ControlText& control : kControlTexts) {
    m_pack.GetText(kTextModule, kDialogKey, control.textId, text, sizeof(text));
    ::SetDlgItemTextA(m_hWnd, control.id, text);
  }

  m_nKeepDriver = 1;
  UpdateData(false);
  ::SendDlgItemMessageA(m_hWnd, IDC_KEEP_CARD_DRIVER, BM_SETCHECK, m_bKeepDriverChecked ? BST_CHECKED : BST_UNCHECKED, 0);
  ::SendDlgItemMessageA(m_hWnd, IDC_KEEP_USER_DATA, BM_SETCHECK, m_bKeepUserDataChecked ? BST_CHECKED : BST_UNCHECKED, 0);
  // From here the run waits for the user.
  Stamp("confirmation shown");
  // The focus starts on OK, through the dialog manager, so OK is also the button Enter presses.
  if (const HWND ok = GetDlgItem(IDOK)) {
    ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ok), TRUE);
    return FALSE;
  }
  return TRUE;
}

void CConfirmDlg::OnOK() {
  if (HWND keepDriver = GetDlgItem(IDC_KEEP_CARD_DRIVER))
    m_nKeepDriver = ::SendMessageA(keepDriver, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
  if (HWND keepUserData = GetDlgItem(IDC_KEEP_USER_DATA))
    m_nUserDataState = static_cast<int>(::SendMessageA(keepUserData, BM_GETCHECK, 0, 0));
  // The base reads the radio group back, so it must show the keep-driver answer first.
  UpdateData(false);
  CLangDialog::OnOK();
}
