#include "language/language_pack.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "language/mbcs.h"

namespace {

// In a text, backslash followed by "r" stands for a carriage return; nothing else is translated.
void ExpandCarriageReturns(std::string& text) {
  for (size_t pos = text.find("\\r"); pos != std::string::npos; pos = text.find("\\r", pos + 1))
    text.replace(pos, 2, "\r");
}

}  // namespace

int LanguageCodeFromSystem(unsigned langId, unsigned ansiCodePage) {
  if (langId == 0x0804) return ansiCodePage == 936 ? 0 : 2;
  if (langId == 0x0404) return 2;
  return 1;
}

CLanguagePack::CLanguagePack() = default;

CLanguagePack::~CLanguagePack() {
  DeleteFont();
  m_loaded = false;
}

bool CLanguagePack::Load(const char* folder, const char* fileName) {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  m_path = std::string(folder ? folder : "") + "\\" + (fileName ? fileName : "");
  if (m_loaded) return true;
  m_loaded = m_document.LoadFile(m_path.c_str());
  if (m_loaded) CreatePackFont();
  return m_loaded;
}

bool CLanguagePack::IsLoaded() const { return m_loaded; }

int CLanguagePack::GetLanguageCode() {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  if (m_loaded && m_document.HasRootElement()) {
    m_document.ResetPosition();
    m_document.FindElement("language");
    const std::string id = m_document.GetAttribute("id");
    const int code = id.empty() ? 1 : std::atoi(id.c_str());
    m_document.ResetPosition();
    return code;
  }
  return LanguageCodeFromSystem(::GetSystemDefaultLangID(), ::GetACP());
}

void CLanguagePack::GetText(const char* module, const char* dialogKey, const char* textId,
                            char* buffer, size_t bufferSize) {
  if (!buffer || bufferSize == 0) return;
  std::string text;
  {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_loaded) {
      // The first "module" whose name matches is the only one searched.
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
  const size_t length = MbCutLength(text.c_str(), bufferSize - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
}

std::string CLanguagePack::GetDefine(const char* name) {
  char buffer[600] = {};
  GetText("define", "value", name, buffer, sizeof(buffer));
  return buffer;
}

bool CLanguagePack::CreatePackFont() {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  if (!m_document.FindElement("language")) return false;
  const int size = std::atoi(m_document.GetAttribute("fontsize").c_str());
  const std::string face = m_document.GetAttribute("fontname");
  if (size <= 0 || face.empty()) return false;

  DeleteFont();
  LOGFONTA logFont = {};
  logFont.lfHeight = size;
  // The face-name field holds 31 bytes and its zero; never cut a double-byte character.
  const size_t faceLength = MbCutLength(face.c_str(), sizeof(logFont.lfFaceName) - 1);
  std::memcpy(logFont.lfFaceName, face.data(), faceLength);
  m_font = ::CreateFontIndirectA(&logFont);
  return m_font != nullptr;
}

void CLanguagePack::DeleteFont() {
  if (m_font) ::DeleteObject(m_font);
  m_font = nullptr;
}
