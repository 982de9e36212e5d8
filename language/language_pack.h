// The language pack: every text the user sees and the client's product names, read from
// "Language.xml" beside the program. Lookups may come from any thread; they are serialised by
// the pack's own lock because every lookup moves the one document's position.
#pragma once
#include <windows.h>

#include <cstddef>
#include <mutex>
#include <string>

#include "language/xml_doc.h"

class CLanguagePack {
public:
  CLanguagePack();
  virtual ~CLanguagePack();
  CLanguagePack(const CLanguagePack&) = delete;
  CLanguagePack& operator=(const CLanguagePack&) = delete;

  // Loads folder\fileName once; true when the pack is loaded (also when it already was).
  bool Load(const char* folder, const char* fileName);
  bool IsLoaded() const;

  // 0: simplified Chinese in GBK, 1: anything else, 2: Chinese that GBK cannot show. From the
  // pack's root attribute "id" once loaded, else from the system's language and code page.
  int GetLanguageCode();

  // The text of module / dialogKey / textId into buffer (always terminated, cut at a whole
  // character to fit bufferSize). Empty when anything is missing or the pack is not loaded.
  void GetText(const char* module, const char* dialogKey, const char* textId, char* buffer,
               size_t bufferSize);
  // The define's value from module "define", element "value"; empty when missing.
  std::string GetDefine(const char* name);

  // The pack's font (null when the file names no usable one). The pack owns it.
  HFONT GetFont() const { return m_font; }
  bool CreatePackFont();
  void DeleteFont();

private:
  CXmlDoc m_document;
  std::string m_path;
  bool m_loaded = false;
  HFONT m_font = nullptr;
  std::recursive_mutex m_lock;
};

// The language code a system gives before any pack is loaded.
int LanguageCodeFromSystem(unsigned langId, unsigned ansiCodePage);
