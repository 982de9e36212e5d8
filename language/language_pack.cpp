#include "language/language_pack.h"

#include <cstdlib>
#include <cstring>

#include "language/mbcs.h"

namespace {
constexpr size_t kDefineBufferSize = 600;
constexpr int kFontDesignDpi = 96;

// The pack's font size is meant at 96 DPI. The dialogs grow with the system DPI (their templates
// are in dialog units), so the font grows with it as well: the screen's LOGPIXELSY, which every
// Windows answers, is the system DPI of a process that declares system-DPI awareness. A height
// that does not fit an int stays as the pack gives it.
int FontHeightAtSystemDpi(int size) {
  ScopedWindowDC screen(nullptr);
  const int dpi = screen.Get() ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
  if (dpi <= 0) return size;
  const int height = ::MulDiv(size, dpi, kFontDesignDpi);
  return height > 0 ? height : size;
}
}  // namespace

CLanguagePack::CLanguagePack() = default;

CLanguagePack::~CLanguagePack() {
  DeleteFont();
  m_loaded = false;
}

bool CLanguagePack::Load(const char* folder, const char* fileName) {
  CCriticalSectionLock lock(m_lock);
  m_path = std::string(folder ? folder : "") + "\\" + (fileName ? fileName : "");
  if (m_loaded) return true;
  m_loaded = m_document.LoadFile(m_path.c_str());
  if (m_loaded) CreatePackFont();
  return m_loaded;
}

bool CLanguagePack::LoadText(const std::string& path, const std::string& text) {
  CCriticalSectionLock lock(m_lock);
  m_path = path;
  if (m_loaded) return true;
  m_loaded = m_document.SetDocument(text.c_str());
  if (m_loaded) CreatePackFont();
  return m_loaded;
}

bool CLanguagePack::IsLoaded() const {
  CCriticalSectionLock lock(m_lock);
  return m_loaded;
}

std::string CLanguagePack::GetPath() const {
  CCriticalSectionLock lock(m_lock);
  return m_path;
}

int CLanguagePack::GetLanguageCode() {
  CCriticalSectionLock lock(m_lock);
  if (m_loaded && m_document.HasRootElement()) {
    m_document.ResetPosition();
    std::string id;
    if (m_document.FindElement("language")) id = m_document.GetAttribute("id");
    m_document.ResetPosition();
    return id.empty() ? 1 : std::atoi(id.c_str());
  }
  return LanguageCodeFromSystem(::GetSystemDefaultLangID(), ::GetACP());
}

void CLanguagePack::GetText(const char* module, const char* dialogKey, const char* textId,
                            char* buffer, size_t bufferSize) {
  if (!buffer || bufferSize == 0) return;
  std::string text;
  // A null name would make the document take any element; such a lookup finds nothing.
  if (module && dialogKey && textId) {
    CCriticalSectionLock lock(m_lock);
    if (m_loaded) {
      m_document.ResetPosition();
      // Only the first "module" of the wanted name is searched.
      while (m_document.FindChild("module")) {
        if (m_document.GetChildAttribute("name") != module) continue;
        if (m_document.EnterElement() && m_document.FindChild(dialogKey) &&
            m_document.EnterElement() && m_document.FindChild(textId))
          text = m_document.GetChildText();
        break;
      }
      m_document.ResetPosition();
    }
  }
  ExpandCarriageReturns(text);
  CopyTextCut(text, buffer, bufferSize);
}

std::string CLanguagePack::GetDefine(const char* name) {
  char buffer[kDefineBufferSize] = {};
  GetText("define", "value", name, buffer, sizeof(buffer));
  return buffer;
}

HFONT CLanguagePack::GetFont() const {
  CCriticalSectionLock lock(m_lock);
  return m_font.Get();
}

bool CLanguagePack::CreatePackFont() {
  CCriticalSectionLock lock(m_lock);
  // From the position the load left (the top), so only a root named "language" counts.
  if (!m_document.FindElement("language")) return false;
  const int size = std::atoi(m_document.GetAttribute("fontsize").c_str());
  const std::string face = m_document.GetAttribute("fontname");
  if (size <= 0 || face.empty()) return false;

  DeleteFont();
  LOGFONTA logFont = {};
  logFont.lfHeight = FontHeightAtSystemDpi(size);
  // The face-name field holds 31 bytes and its zero; never cut a double-byte character.
  const size_t faceLength = MbCutLength(face.c_str(), sizeof(logFont.lfFaceName) - 1);
  std::memcpy(logFont.lfFaceName, face.data(), faceLength);
  m_font.Reset(::CreateFontIndirectA(&logFont));
  return static_cast<bool>(m_font);
}

void CLanguagePack::DeleteFont() {
  CCriticalSectionLock lock(m_lock);
  m_font.Reset();
}
