// qdf-dump on a file whose names and texts hold line breaks, escapes and
// direction marks: each section, key and the totals stay on lines of their own.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "payload/settings_image.h"

namespace {

using namespace korvex::settings;

std::string RunDump(const std::vector<uint8_t>& image) {
  const std::string path = testing::TempDir() + "hostile.qdf";
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return "<cannot write " + path + ">";
  std::fwrite(image.data(), 1, image.size(), out);
  std::fclose(out);
  std::FILE* dump = popen((std::string(KORVEX_QDF_DUMP) + " '" + path + "'").c_str(), "r");
  if (dump == nullptr) return "<cannot run qdf-dump>";
  std::string text;
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, dump)) > 0) text.append(chunk, got);
  pclose(dump);
  return text;
}

TEST(QdfDump, FileContentCannotForgeLines) {
  Value text{ValueKind::kText, 0, u"v\n[forged]\x1b[2J\u2028\u202e\x85\x7f\\\"", {}};
  const Document document{{Section{u"s]\r\n[t", {Key{u"k = 1\n; 9 bytes", text}}}}};
  const std::vector<uint8_t> image = WriteSettingsImage(document);
  EXPECT_EQ(RunDump(image),
            "[s]\\x0d\\x0a[t]\n"
            "k = 1\\x0a; 9 bytes = \"v\\x0a[forged]\\x1b[2J\\u2028\\u202e\\u0085\\x7f\\\\\\\"\"\n"
            "\n"
            "; " +
                std::to_string(image.size()) + " bytes, 1 sections, 1 keys\n");
}

}  // namespace
