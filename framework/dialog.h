// A thin modal dialog base: the dialog procedure finds the object through DWLP_USER and calls
// the virtual handlers; the defaults end the dialog with IDOK / IDCANCEL.
#pragma once
#include <windows.h>
#include <string>

#include "framework/window.h"

class CWnd;

// Direction and target of one data exchange between a dialog's members and its controls.
struct CDataExchange {
  HWND m_hDlg;
  bool m_bSaveAndValidate;  // true: controls to members; false: members to controls
};

// The window text of control id and a string member.
void DDX_Text(CDataExchange& dx, int id, std::string& value);
// The index of the checked radio button in the group that starts at firstId (-1 when none);
// other kinds of control inside the group are skipped and not counted.
void DDX_Radio(CDataExchange& dx, int firstId, int& index);
// Attaches control id to a window object once (subclassing). False when the control is missing.
bool DDX_Control(CDataExchange& dx, int id, CWnd& control);

class CDialog : public CWindow {
public:
  CDialog(UINT templateId, HWND parent);
  virtual ~CDialog();

  // Creates the dialog from its template, runs a modal loop until EndDialog, destroys it and
  // returns the result; -1 when the window cannot be created.
  INT_PTR DoModal();
  void EndDialog(int result);
  // Runs DoDataExchange in the given direction.
  bool UpdateData(bool saveAndValidate);

  UINT GetTemplateId() const { return m_templateId; }

protected:
  virtual BOOL OnInitDialog();  // members to controls; TRUE lets the system set the focus
  virtual void OnOK();          // controls to members, then ends with IDOK
  virtual void OnCancel();      // ends with IDCANCEL
  virtual void DoDataExchange(CDataExchange&) {}
  // Sees every message of the modal loop before the dialog does; true swallows it.
  virtual bool PreTranslateMessage(MSG* msg);
  // Every other message of the dialog; true when handled, with its result.
  virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  UINT m_templateId;
  HWND m_parent;
  bool m_modalDone = false;
  int m_result = -1;
};
