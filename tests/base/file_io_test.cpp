#include "base/file_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

TEST(WholeFile, WritesReplacesAndReadsBackEveryByte) {
  const std::string path = testing::TempDir() + "korvex-whole-file.bin";
  std::vector<uint8_t> data(200000);  // several read chunks
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 251);
  ASSERT_TRUE(korvex::WriteWholeFile(path.c_str(), data));
  std::vector<uint8_t> back = {1, 2, 3};
  ASSERT_TRUE(korvex::ReadWholeFile(path.c_str(), &back));
  EXPECT_EQ(back, data);

  const std::vector<uint8_t> shorter = {42};
  ASSERT_TRUE(korvex::WriteWholeFile(path.c_str(), shorter));
  ASSERT_TRUE(korvex::ReadWholeFile(path.c_str(), &back));
  EXPECT_EQ(back, shorter);
  std::remove(path.c_str());

  const std::string missing = testing::TempDir() + "korvex-no-such-folder/file.bin";
  EXPECT_FALSE(korvex::ReadWholeFile(missing.c_str(), &back));
  EXPECT_FALSE(korvex::WriteWholeFile(missing.c_str(), shorter));
}

#if defined(_WIN32)
// The wide-path overload reaches names that no narrow code page holds.
TEST(WholeFile, WritesThroughAWidePath) {
  const std::string temp = testing::TempDir();
  const std::wstring path = std::wstring(temp.begin(), temp.end()) + L"korvex-\u6587\u4ef6.bin";
  const std::vector<uint8_t> data = {0, 1, 2, 0xFF};
  ASSERT_TRUE(korvex::WriteWholeFile(path.c_str(), data));
  std::FILE* file = _wfopen(path.c_str(), L"rb");
  ASSERT_NE(file, nullptr);
  uint8_t back[8] = {};
  EXPECT_EQ(std::fread(back, 1, sizeof back, file), data.size());
  std::fclose(file);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), back));
  _wremove(path.c_str());

  const std::wstring missing = std::wstring(temp.begin(), temp.end()) + L"korvex-\u6587/file.bin";
  EXPECT_FALSE(korvex::WriteWholeFile(missing.c_str(), data));
}
#endif

}  // namespace
