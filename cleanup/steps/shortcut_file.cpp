#include "cleanup/steps/shortcut_file.h"

#include <cstdint>

namespace {

// Lower-case ASCII, for names and keys compared without regard to case.
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
wchar_t LowerAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EndsWithFolded(const std::wstring& name, const wchar_t* suffix) {
  const std::wstring tail(suffix);
  if (name.size() <= tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i)
    if (LowerAscii(name[name.size() - tail.size() + i]) != tail[i]) return false;
  return true;
}

// Little-endian reads that never pass the end of the bytes.
class CBytes {
public:
  explicit CBytes(const std::string& bytes) : m_bytes(bytes) {}
  size_t Size() const { return m_bytes.size(); }
  bool Has(size_t at, size_t count) const { return at <= m_bytes.size() && count <= m_bytes.size() - at; }
  uint32_t U16(size_t at) const { return Has(at, 2) ? Byte(at) | Byte(at + 1) << 8 : 0; }
  uint32_t U32(size_t at) const { return Has(at, 4) ? U16(at) | U16(at + 2) << 16 : 0; }
  // The text of the code page from at up to its zero, within end; empty when it has none there.
  std::string Text(size_t at, size_t end) const {
    if (end > m_bytes.size()) end = m_bytes.size();
    for (size_t i = at; i < end; ++i)
      if (m_bytes[i] == '\0') return m_bytes.substr(at, i - at);
    return std::string();
  }
  // The UTF-16 text from at up to its zero, within end; empty when it has none there.
  std::wstring Wide(size_t at, size_t end) const {
    if (end > m_bytes.size()) end = m_bytes.size();
    std::wstring text;
    for (size_t i = at; i + 1 < end; i += 2) {
      const wchar_t unit = static_cast<wchar_t>(U16(i));
      if (unit == 0) return text;
      text += unit;
    }
    return std::wstring();
  }

private:
  uint32_t Byte(size_t at) const { return static_cast<unsigned char>(m_bytes[at]); }
  const std::string& m_bytes;
};

constexpr uint32_t kLinkHeaderSize = 0x4C;
const unsigned char kShellLinkClassId[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                             0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
enum : uint32_t {
  kHasTargetIdList = 0x1,
  kHasLinkInfo = 0x2,
  kIsUnicode = 0x80,
  kForceNoLinkInfo = 0x100,
};
// The strings that may follow the link information, in their order.
const uint32_t kStringFlags[] = {0x4, 0x8, 0x10, 0x20, 0x40};
constexpr uint32_t kLocalBasePath = 0x1, kNetworkLink = 0x2;
constexpr uint32_t kEnvironmentBlock = 0xA0000001, kEnvironmentBlockSize = 0x314;

// The path the link information holds: the local base path, or the share's name, each followed by
// the common suffix; in UTF-16 where the information has it so.
ShortcutTarget LinkInfoTarget(const CBytes& bytes, size_t at) {
  ShortcutTarget target;
  const uint32_t size = bytes.U32(at), headerSize = bytes.U32(at + 4), flags = bytes.U32(at + 8);
  if (!bytes.Has(at, size) || headerSize < 0x1C || headerSize > size) return target;
  const size_t end = at + size;
  // Each offset counts from the start of the information and lies inside it (0: none).
  const auto place = [&](size_t from, uint32_t offset) { return offset && offset < end - from ? from + offset : end; };
  const size_t suffix = place(at, bytes.U32(at + 24));
  if (flags & kLocalBasePath) {
    if (headerSize >= 0x24) {
      const std::wstring base = bytes.Wide(place(at, bytes.U32(at + 28)), end);
      if (!base.empty()) target.wide = base + bytes.Wide(place(at, bytes.U32(at + 32)), end);
    }
    if (target.wide.empty()) {
      const std::string base = bytes.Text(place(at, bytes.U32(at + 16)), end);
      if (!base.empty()) target.ansi = base + bytes.Text(suffix, end);
    }
  } else if (flags & kNetworkLink) {
    const size_t link = place(at, bytes.U32(at + 20));
    const std::string share = bytes.Text(place(link, bytes.U32(link + 8)), end);
    const std::string rest = bytes.Text(suffix, end);
    if (!share.empty()) target.ansi = rest.empty() ? share : share + "\\" + rest;
  }
  return target;
}

ShortcutTarget ShellLinkTarget(const CBytes& bytes, const std::string& raw) {
  if (bytes.U32(0) != kLinkHeaderSize || !bytes.Has(0, kLinkHeaderSize) ||
      raw.compare(4, sizeof(kShellLinkClassId), reinterpret_cast<const char*>(kShellLinkClassId),
                  sizeof(kShellLinkClassId)) != 0)
    return ShortcutTarget();
  const uint32_t flags = bytes.U32(0x14);
  size_t at = kLinkHeaderSize;
  if (flags & kHasTargetIdList) at += 2 + bytes.U16(at);
  ShortcutTarget fromInfo;
  if (flags & kHasLinkInfo) {
    if (!(flags & kForceNoLinkInfo)) fromInfo = LinkInfoTarget(bytes, at);
    const uint32_t size = bytes.U32(at);
    if (size < 4 || !bytes.Has(at, size)) return fromInfo;
    at += size;
  }
  if (fromInfo.Known()) return fromInfo;
  // Past the strings to the extra blocks, where a link made with a variable in its target keeps it.
  for (uint32_t string : kStringFlags)
    if (flags & string) at += 2 + bytes.U16(at) * ((flags & kIsUnicode) ? 2 : 1);
  for (int block = 0; block < 64 && bytes.Has(at, 8); ++block) {
    const uint32_t size = bytes.U32(at);
    if (size < 8 || !bytes.Has(at, size)) break;
    if (bytes.U32(at + 4) == kEnvironmentBlock && size == kEnvironmentBlockSize) {
      ShortcutTarget target;
      target.environment = true;
      target.wide = bytes.Wide(at + 8 + 260, at + size);
      if (target.wide.empty()) target.ansi = bytes.Text(at + 8, at + 8 + 260);
      return target;
    }
    at += size;
  }
  return ShortcutTarget();
}

// A program information file keeps its program's name in 63 bytes of its basic section.
ShortcutTarget ProgramInformationTarget(const CBytes& bytes) {
  constexpr size_t kProgramAt = 0x24, kProgramSize = 63, kBasicSectionSize = 0x171;
  ShortcutTarget target;
  if (bytes.Size() < kBasicSectionSize) return target;
  std::string program = bytes.Text(kProgramAt, kProgramAt + kProgramSize);
  while (!program.empty() && program.back() == ' ') program.pop_back();
  target.ansi = program;
  return target;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = LowerAscii(c);
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// "file:///C:/x%20y" as "C:\x y", "file://server/share/x" as "\\server\share\x"; empty for every
// other address.
std::string PathOfFileAddress(const std::string& address) {
  const std::string scheme = "file:";
  if (address.size() <= scheme.size()) return std::string();
  for (size_t i = 0; i < scheme.size(); ++i)
    if (LowerAscii(address[i]) != scheme[i]) return std::string();
  std::string rest = address.substr(scheme.size());
  std::string path;
  if (rest.compare(0, 3, "///") == 0) {
    rest.erase(0, 3);
  } else if (rest.compare(0, 2, "//") == 0) {
    rest.erase(0, 2);
    // "file://localhost/C:/x" is a local path; any other host a share.
    if (rest.size() > 10 && std::string("localhost/").compare(0, 10, rest.substr(0, 10)) == 0)
      rest.erase(0, 10);
    else
      path = "\\\\";
  }
  for (size_t i = 0; i < rest.size(); ++i) {
    const char c = rest[i];
    if (c == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 && HexValue(rest[i + 2]) >= 0) {
      path += static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
      i += 2;
    } else {
      path += c == '/' ? '\\' : c;
    }
  }
  return path.find('\0') == std::string::npos ? path : std::string();
}

// The "URL" of the "[InternetShortcut]" section, when it is a file's.
ShortcutTarget InternetShortcutTarget(const std::string& text) {
  ShortcutTarget target;
  bool inSection = false;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    if (!line.empty() && line[0] == '[') {
      std::string section;
      for (char c : line) section += LowerAscii(c);
      inSection = section == "[internetshortcut]";
      continue;
    }
    if (!inSection || line.size() < 4) continue;
    std::string key;
    for (size_t i = 0; i < 4; ++i) key += LowerAscii(line[i]);
    if (key != "url=") continue;
    target.ansi = PathOfFileAddress(line.substr(4));
    return target;
  }
  return target;
}

}  // namespace

bool ShortcutKindOf(const std::wstring& name, ShortcutKind& kind) {
  if (EndsWithFolded(name, L".lnk")) kind = ShortcutKind::LinkFile;
  else if (EndsWithFolded(name, L".pif")) kind = ShortcutKind::ProgramInformation;
  else if (EndsWithFolded(name, L".url")) kind = ShortcutKind::InternetShortcut;
  else return false;
  return true;
}

ShortcutTarget TargetOfShortcut(ShortcutKind kind, const std::string& bytes) {
  const CBytes read(bytes);
  switch (kind) {
    case ShortcutKind::LinkFile: return ShellLinkTarget(read, bytes);
    case ShortcutKind::ProgramInformation: return ProgramInformationTarget(read);
    case ShortcutKind::InternetShortcut: return InternetShortcutTarget(bytes);
  }
  return ShortcutTarget();
}
