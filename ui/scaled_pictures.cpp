#include "ui/scaled_pictures.h"

#include "ui/scaled_bitmap.h"

namespace {

bool IsBitmapControl(HWND control) {
  char name[16] = {};
  ::GetClassNameA(control, name, sizeof(name));
  return ::lstrcmpiA(name, "Static") == 0 &&
         (::GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
}

}  // namespace

void CScaledPictures::Scale(HWND dialog, DisplayScale scale) {
  if (scale.IsDesignScale()) return;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!IsBitmapControl(child)) continue;
    const HBITMAP shown =
        reinterpret_cast<HBITMAP>(::SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0));
    auto replacement = std::make_unique<Replacement>();
    replacement->control = child;
    replacement->original = shown;
    replacement->copy.Reset(StretchedCopy(shown, ScaledSize(BitmapSize(shown), scale)).Detach());
    if (!replacement->copy) continue;
    ::SendMessageA(child, STM_SETIMAGE, IMAGE_BITMAP,
                   reinterpret_cast<LPARAM>(replacement->copy.Get()));
    m_replacements.push_back(std::move(replacement));
  }
}

void CScaledPictures::Restore() {
  for (const auto& replacement : m_replacements)
    if (::IsWindow(replacement->control))
      ::SendMessageA(replacement->control, STM_SETIMAGE, IMAGE_BITMAP,
                     reinterpret_cast<LPARAM>(replacement->original));
  m_replacements.clear();
}
