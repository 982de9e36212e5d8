// Parse throughput of CXmlDoc against pugixml on generated language packs (GBK text), and the
// memory each keeps per element. The last line sums up the ratios for scripts.
//   bench_xml [processor seconds per parser and pack, default 1]
#include "language/xml_doc.h"

#include <pugixml.hpp>

#include <algorithm>
#include <ctime>
#include <functional>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Index figures that CXmlDoc keeps to itself.
class IndexedDoc : public CXmlDoc {
public:
  int Elements() const { return NextFreeRecord() - 1; }
  int Records() const { return RecordCount(); }
};

// Deterministic text: GB2312 hanzi (lead 0xB0..0xD7, trail 0xA1..0xFE) with some ASCII.
class TextMaker {
public:
  std::string Chinese(int characters)
  {
    std::string s;
    for (int i = 0; i < characters; ++i) {
      s += static_cast<char>(0xB0 + Next() % 40);
      s += static_cast<char>(0xA1 + Next() % 94);
    }
    return s;
  }
  uint32_t Next()
  {
    m_state = m_state * 1664525u + 1013904223u;
    return m_state >> 8;
  }

private:
  uint32_t m_state = 12345;
};

// A language pack with the real schema: modules of dialog keys of text ids, and the defines.
std::string MakePack(size_t targetBytes)
{
  TextMaker maker;
  std::string pack = "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n"
                     "<!-- " + maker.Chinese(8) + " -->\r\n"
                     "<language id=\"0\" fontsize=\"12\" fontname=\"\xCB\xCE\xCC\xE5\">\r\n"
                     "  <module name=\"define\">\r\n    <value>\r\n";
  const char* defines[] = {"PROGRAM_CLIENT_NAME", "PROGRAM_FILENAME", "UNINSTALL_KEY", "PROGRAM_NAME",
                           "PROGRAME_ENG_NAME"};
  for (const char* name : defines)
    pack += std::string("      <") + name + ">" + maker.Chinese(6) + "</" + name + ">\r\n";
  pack += "    </value>\r\n  </module>\r\n";

  for (int module = 0; pack.size() < targetBytes; ++module) {
    pack += "  <module name=\"" + (module == 0 ? std::string("uninstall") : "setup" + std::to_string(module)) +
            "\">\r\n";
    for (int dialog = 1; dialog <= 12; ++dialog) {
      const std::string key = "IDD_DIALOG" + std::to_string(dialog);
      pack += "    <" + key + ">\r\n";
      const int texts = 4 + static_cast<int>(maker.Next() % 8);
      for (int t = 1; t <= texts; ++t) {
        const std::string id = (t == 1 ? std::string("MSGTIP") : "TEXT") + std::to_string(t);
        std::string text = maker.Chinese(4 + static_cast<int>(maker.Next() % 30));
        if (t % 5 == 0)
          text += "\\r" + maker.Chinese(5) + " &lt;" + maker.Chinese(2) + "&gt;";
        pack += "      <" + id + ">" + text + "</" + id + ">\r\n";
      }
      pack += "    </" + key + ">\r\n";
    }
    pack += "  </module>\r\n";
  }
  pack += "</language>\r\n";
  return pack;
}

// A parser under measurement and its best rate so far.
struct Contender {
  const char* name;
  std::function<void()> parse;
  double bestMBps = 0;
};

// Processor time rather than wall time, so that other work on the machine counts less. The
// contenders take turns, each round repeating a parse for a slice of the time given, and each keeps
// its best round. The clock is read after batches of parses that grow to a millisecond or more:
// reading it is a system call, which would otherwise weigh on a parse of a few microseconds.
void Measure(const std::string& text, double seconds, std::vector<Contender>& contenders)
{
  const int rounds = 7;
  const double slice = seconds / rounds;
  for (int round = 0; round < rounds; ++round) {
    for (Contender& c : contenders) {
      int runs = 0;
      int batch = 1;
      const std::clock_t start = std::clock();
      double elapsed = 0;
      do {
        for (int i = 0; i < batch; ++i)
          c.parse();
        runs += batch;
        const double now = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
        if (now - elapsed < 0.001)
          batch *= 2;
        elapsed = now;
      } while (elapsed < slice);
      c.bestMBps = std::max(c.bestMBps, static_cast<double>(text.size()) * runs / elapsed / 1e6);
    }
  }
}

// pugixml's document memory, counted through its allocation hooks.
size_t g_pugiLive = 0;
constexpr size_t kHeader = 16; // keeps the returned blocks 16-byte aligned

void* CountingAllocate(size_t size)
{
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (!block)
    return nullptr;
  *reinterpret_cast<size_t*>(block) = size;
  g_pugiLive += size;
  return block + kHeader;
}

void CountingDeallocate(void* p)
{
  if (!p)
    return;
  auto* block = static_cast<unsigned char*>(p) - kHeader;
  g_pugiLive -= *reinterpret_cast<size_t*>(block);
  std::free(block);
}

size_t CountElements(const pugi::xml_node& node)
{
  size_t count = 0;
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
    if (child.type() == pugi::node_element)
      count += 1 + CountElements(child);
  return count;
}

// Prints the figures for one pack; ratio receives CXmlDoc's best rate over the best rate of
// pugixml's faster mode.
bool Report(const char* label, const std::string& text, double seconds, double& ratio)
{
  IndexedDoc ours;
  if (!ours.SetDocument(text.c_str())) {
    std::printf("%s: CXmlDoc failed: %s\n", label, ours.GetResult().c_str());
    return false;
  }
  pugi::xml_document theirs;
  const size_t before = g_pugiLive;
  if (!theirs.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8)) {
    std::printf("%s: pugixml failed\n", label);
    return false;
  }
  const size_t pugiBytes = g_pugiLive - before;
  const size_t elements = CountElements(theirs);
  if (elements != static_cast<size_t>(ours.Elements())) {
    std::printf("%s: element counts differ (%d vs %zu)\n", label, ours.Elements(), elements);
    return false;
  }

  std::vector<Contender> contenders = {
      {"CXmlDoc", [&] { ours.SetDocument(text.c_str()); }},
      {"pugixml (default)",
       [&] { theirs.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8); }},
      {"pugixml (minimal)",
       [&] { theirs.load_buffer(text.data(), text.size(), pugi::parse_minimal, pugi::encoding_utf8); }},
  };
  Measure(text, seconds * contenders.size(), contenders);

  std::printf("%s: %zu bytes, %zu elements\n", label, text.size(), elements);
  const double oursMBps = contenders[0].bestMBps;
  for (const Contender& c : contenders) {
    std::printf("  %-20s %8.1f MB/s", c.name, c.bestMBps);
    if (&c != &contenders[0])
      std::printf("   ratio CXmlDoc/%s %.2f", c.name, oursMBps / c.bestMBps);
    std::printf("\n");
  }
  ratio = oursMBps / std::max(contenders[1].bestMBps, contenders[2].bestMBps);
  std::printf("  memory per element: CXmlDoc index %zu bytes (%.1f allocated); "
              "pugixml document %.1f bytes (%.1f without its copy of the text)\n",
              static_cast<size_t>(32), 32.0 * ours.Records() / elements,
              static_cast<double>(pugiBytes) / elements,
              static_cast<double>(pugiBytes - (text.size() + 1)) / elements);
  return true;
}

} // namespace

int main(int argc, char** argv)
{
  const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
  pugi::set_memory_management_functions(CountingAllocate, CountingDeallocate);
  double ratio20k = 0;
  double ratio10m = 0;
  const bool ok = Report("language pack of 20 KB", MakePack(20 * 1024), seconds, ratio20k) &&
                  Report("language pack of 10 MB", MakePack(10 * 1024 * 1024), seconds, ratio10m);
  if (!ok)
    return 1;
  // One line for scripts that collect the figures.
  std::printf("xml_summary xml_20k_ratio=%.2f xml_10m_ratio=%.2f\n", ratio20k, ratio10m);
  return 0;
}
