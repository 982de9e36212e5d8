// The language pack: every text the user sees and the client's product names, read from
// "Language.xml" beside the program. Lookups may come from any thread; they are serialised by
// the pack's own lock because every lookup moves the one document's position.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

#include "framework/gdi.h"
#include "framework/sync.h"
#include "language/language_pack_text.h"
#include "language/xml_doc.h"

class CLanguagePack {
public:
  CLanguagePack();
  virtual ~CLanguagePack();
  CLanguagePack(const CLanguagePack&) = delete;
  CLanguagePack& operator=(const CLanguagePack&) = delete;

  // Loads folder\fileName unless a pack is loaded already; returns the loaded flag. A file that
  // is missing, unreadable, malformed or without a root element leaves the pack not loaded.
  bool Load(const char* folder, const char* fileName);
  // Loads the pack from the text of the file at path (read by the caller from the file it judged)
  // unless a pack is loaded already; returns the loaded flag, as Load.
  bool LoadText(const std::string& path, const std::string& text);
  bool IsLoaded() const;
  // The full path of the pack file given to the last Load.
  std::string GetPath() const;

  // 0: simplified Chinese in GBK, 1: anything else, 2: Chinese that GBK cannot show. From the
  // attribute "id" of the root "language" once loaded (1 when absent), else from the system.
  int GetLanguageCode();

  // The text of module / dialogKey / textId into buffer, backslash-r turned into a carriage
  // return, cut at a whole character to fit bufferSize and always terminated. Empty when
  // anything is missing or the pack is not loaded.
  void GetText(const char* module, const char* dialogKey, const char* textId, char* buffer,
               size_t bufferSize);
  // The define's value from module "define", element "value" (at most 599 bytes); empty when
  // missing.
  std::string GetDefine(const char* name);

  // The pack's font (null when the file names no usable one). The pack owns it and deletes it
  // in its destructor.
  HFONT GetFont() const;
  // Creates the font from the root's "fontsize" (a height in pixels at 96 DPI, scaled to the
  // system DPI) and "fontname"; false (keeping any previous font) when the root is not "language"
  // or the attributes are unusable.
  bool CreatePackFont();
  void DeleteFont();

private:
  CXmlDoc m_document;
  std::string m_path;
  bool m_loaded = false;
  ScopedFont m_font;
  mutable CCriticalSection m_lock;  // entered again by the lookups it calls itself
};
