#include "framework/timeline.h"

void Stamp(const std::string& text) { ::OutputDebugStringA(("Uninstall: " + text).c_str()); }

void PrescribedPause(DWORD ms) {
  Stamp("pause " + std::to_string(ms) + " ms");
  ::Sleep(ms);
}

int AnsweredMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  Stamp("message shown");
  const int answer = ::MessageBoxA(owner, text, caption, type);
  Stamp("message answered");
  return answer;
}
