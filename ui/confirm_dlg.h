// The confirmation dialog: the one question before anything is removed. Two check boxes
// (keep the data-card driver; keep the user's data) and OK / Cancel, where Cancel is the
// default button, so Enter cancels unless the focus is on OK.
#pragma once
#include <windows.h>

#include "ui/lang_dialog.h"

class CLanguagePack;

class CConfirmDlg : public CLangDialog {
public:
  // The texts come from pack, which must outlive the dialog.
  explicit CConfirmDlg(CLanguagePack& pack, HWND parent = nullptr);

  // Index of the checked hidden radio button (1028: 0, 1029: 1); after OK the keep-driver
  // check box's state: 1 = checked (keep the data-card driver), 0 = not.
  int m_nKeepDriver = 0;
  // After OK the raw check state of the user-data box: 1 = checked (the user's data folder
  // stays), 0 = unchecked (it is deleted).
  int m_nUserDataState = 0;
  // How the two boxes start: both checked unless the command line said otherwise.
  bool m_bKeepDriverChecked = true;
  bool m_bKeepUserDataChecked = true;

protected:
  void DoDataExchange(CDataExchange& dx) override;
  // Sets the title and every text from the language pack,
  // selects the second radio button and checks the boxes as asked (both by default).
  BOOL OnInitDialog() override;
  // Takes the two check boxes into the members, then ends with IDOK. Cancel, Escape and the
  // close box end with IDCANCEL through the base and leave the members as they were.
  void OnOK() override;

private:
  CLanguagePack& m_pack;
};
