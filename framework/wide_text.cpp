#include "framework/wide_text.h"

#include <windows.h>

std::wstring WideFromAnsi(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, &wide[0], length);
  return wide;
}

namespace {
// The conversion with flags; empty (and false) when the system refuses the flags.
bool Narrow(const std::wstring& wide, DWORD flags, std::string& text) {
  const int size = static_cast<int>(wide.size());
  const int bytes = ::WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return false;
  text.assign(static_cast<size_t>(bytes), '\0');
  return ::WideCharToMultiByte(CP_ACP, flags, wide.data(), size, &text[0], bytes, nullptr, nullptr) == bytes;
}
}  // namespace

std::string AnsiFromWide(const std::wstring& wide, bool* lossless) {
  std::string text;
  // WC_NO_BEST_FIT_CHARS is unknown before Windows 2000, which refuses it as a flag; the check
  // below catches a best-fit character there just the same.
  if (!wide.empty() && !Narrow(wide, WC_NO_BEST_FIT_CHARS, text)) Narrow(wide, 0, text);
  if (lossless) *lossless = WideFromAnsi(text) == wide;
  return text;
}
