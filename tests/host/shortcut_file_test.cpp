#include "cleanup/steps/shortcut_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

void Put32(std::string& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}
void Put16(std::string& bytes, uint32_t value) {
  bytes += static_cast<char>(value & 0xFF);
  bytes += static_cast<char>((value >> 8) & 0xFF);
}
std::string Utf16(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) Put16(bytes, static_cast<unsigned char>(c));
  Put16(bytes, 0);
  return bytes;
}

// A shell link as the shell writes one: the header, an item list, the link information with the
// local path (and its UTF-16 form), a name string, and extra blocks.
struct LinkParts {
  uint32_t flags = 0x2 | 0x4 | 0x80;  // link information, a name, UTF-16 strings
  bool idList = true;
  std::string localPath = "C:\\Program Files\\Client\\Client.exe";
  bool unicodeInfo = false;
  bool network = false;
  std::string environmentTarget;  // an environment block when given
  uint32_t baseOffsetShift = 0;   // moves the local path's offset (outside the information when large)
};

std::string ShellLink(const LinkParts& p) {
  std::string bytes;
  Put32(bytes, 0x4C);
  const unsigned char classId[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  bytes.append(reinterpret_cast<const char*>(classId), 16);
  Put32(bytes, p.flags | (p.idList ? 0x1 : 0) | (p.environmentTarget.empty() ? 0 : 0x200));
  bytes.append(0x4C - bytes.size(), '\0');
  if (p.idList) {
    Put16(bytes, 6);
    bytes.append("\x04\x00\xAB\xCD\x00\x00", 6);
  }
  if (p.flags & 0x2) {
    const uint32_t headerSize = p.unicodeInfo ? 0x24 : 0x1C;
    std::string info;
    std::string tail;  // the strings after the header
    uint32_t base = 0, suffix = 0, network = 0, baseWide = 0, suffixWide = 0;
    if (p.network) {
      network = headerSize;
      std::string link;
      Put32(link, 0x14 + 1 + 0);  // size, filled below
      Put32(link, 0);
      Put32(link, 0x14);          // the share's name right after
      Put32(link, 0);
      Put32(link, 0);
      link += p.localPath + '\0';
      link[0] = static_cast<char>(link.size());
      tail += link;
      suffix = headerSize + static_cast<uint32_t>(tail.size());
      tail += std::string("Client\\Client.exe") + '\0';
    } else {
      base = headerSize + static_cast<uint32_t>(tail.size()) + p.baseOffsetShift;
      tail += p.localPath + '\0';
      suffix = headerSize + static_cast<uint32_t>(tail.size());
      tail += '\0';
      if (p.unicodeInfo) {
        baseWide = headerSize + static_cast<uint32_t>(tail.size());
        tail += Utf16(p.localPath);
        suffixWide = headerSize + static_cast<uint32_t>(tail.size());
        tail += Utf16("");
      }
    }
    Put32(info, headerSize + static_cast<uint32_t>(tail.size()));
    Put32(info, headerSize);
    Put32(info, p.network ? 0x2 : 0x1);
    Put32(info, 0);  // no volume description here
    Put32(info, base);
    Put32(info, network);
    Put32(info, suffix);
    if (p.unicodeInfo) {
      Put32(info, baseWide);
      Put32(info, suffixWide);
    }
    bytes += info + tail;
  }
  if (p.flags & 0x4) {
    Put16(bytes, 3);
    bytes += Utf16("abc").substr(0, 6);
  }
  if (!p.environmentTarget.empty()) {
    std::string block;
    Put32(block, 0x314);
    Put32(block, 0xA0000001);
    std::string ansi = p.environmentTarget;
    ansi.resize(260, '\0');
    std::string wide = Utf16(p.environmentTarget);
    wide.resize(520, '\0');
    bytes += block + ansi + wide;
  }
  Put32(bytes, 0);  // the terminal block
  return bytes;
}

std::string Narrow(const std::wstring& wide) { return std::string(wide.begin(), wide.end()); }

// The target as one text, "%" first where it holds variables.
std::string Described(const ShortcutTarget& target) {
  if (!target.Known()) return "(none)";
  return (target.environment ? "%" : "") + (target.wide.empty() ? target.ansi : "w:" + Narrow(target.wide));
}

}  // namespace

TEST(ShortcutFile, TheTargetOfEachKindAndNoneForWhatNamesNoFile) {
  LinkParts plain, unicode, noItems, environmentOnly, forcedNoInfo, network, outside, badHeader;
  unicode.unicodeInfo = true;
  noItems.idList = false;
  environmentOnly.flags = 0x4 | 0x80;
  environmentOnly.environmentTarget = "%ProgramFiles%\\Client\\Client.exe";
  forcedNoInfo.flags |= 0x100;
  forcedNoInfo.environmentTarget = "%ProgramFiles%\\Client\\Help.chm";
  network.network = true;
  network.localPath = "\\\\server\\share";
  outside.baseOffsetShift = 0x10000;
  std::string pif(0x171, '\0');
  pif.replace(0x24, 21, "C:\\CLIENT\\CLIENT.EXE ");
  const struct Case {
    const char* what;
    ShortcutKind kind;
    std::string bytes;
    const char* target;
  } cases[] = {
      {"a link with its local path", ShortcutKind::LinkFile, ShellLink(plain), "C:\\Program Files\\Client\\Client.exe"},
      {"its UTF-16 form first", ShortcutKind::LinkFile, ShellLink(unicode), "w:C:\\Program Files\\Client\\Client.exe"},
      {"without an item list", ShortcutKind::LinkFile, ShellLink(noItems), "C:\\Program Files\\Client\\Client.exe"},
      {"a variable in its target", ShortcutKind::LinkFile, ShellLink(environmentOnly),
       "%w:%ProgramFiles%\\Client\\Client.exe"},
      {"link information it must not use", ShortcutKind::LinkFile, ShellLink(forcedNoInfo),
       "%w:%ProgramFiles%\\Client\\Help.chm"},
      {"on a share", ShortcutKind::LinkFile, ShellLink(network), "\\\\server\\share\\Client\\Client.exe"},
      {"an offset outside its information", ShortcutKind::LinkFile, ShellLink(outside), "(none)"},
      {"cut short", ShortcutKind::LinkFile, ShellLink(plain).substr(0, 0x60), "(none)"},
      {"no shell link", ShortcutKind::LinkFile, "XYZ" + ShellLink(plain), "(none)"},
      {"a program information file", ShortcutKind::ProgramInformation, pif, "C:\\CLIENT\\CLIENT.EXE"},
      {"one too short", ShortcutKind::ProgramInformation, pif.substr(0, 0x100), "(none)"},
      {"a file address", ShortcutKind::InternetShortcut,
       "[InternetShortcut]\r\nURL=file:///C:/Program%20Files/Client/readme.txt\r\n",
       "C:\\Program Files\\Client\\readme.txt"},
      {"any case, on a share", ShortcutKind::InternetShortcut, "[internetshortcut]\nurl=FILE://server/share/x.txt\n",
       "\\\\server\\share\\x.txt"},
      {"the local host", ShortcutKind::InternetShortcut, "[InternetShortcut]\nURL=file://localhost/C:/x.txt\n",
       "C:\\x.txt"},
      {"a web address", ShortcutKind::InternetShortcut, "[InternetShortcut]\nURL=http://example.com/\n", "(none)"},
      {"an address of another section", ShortcutKind::InternetShortcut,
       "[Other]\nURL=file:///C:/x.txt\n[InternetShortcut]\nIconIndex=0\n", "(none)"},
      {"a zero spelt in the address", ShortcutKind::InternetShortcut, "[InternetShortcut]\nURL=file:///C:/x%00y\n",
       "(none)"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.target, Described(TargetOfShortcut(c.kind, c.bytes))) << c.what;

  ShortcutKind kind = ShortcutKind::LinkFile;
  EXPECT_TRUE(ShortcutKindOf(L"Client.LNK", kind) && kind == ShortcutKind::LinkFile);
  EXPECT_TRUE(ShortcutKindOf(L"dos.pif", kind) && kind == ShortcutKind::ProgramInformation);
  EXPECT_TRUE(ShortcutKindOf(L"site.Url", kind) && kind == ShortcutKind::InternetShortcut);
  EXPECT_FALSE(ShortcutKindOf(L".lnk", kind));
  EXPECT_FALSE(ShortcutKindOf(L"Client.exe", kind));
}
