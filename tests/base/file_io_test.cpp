#include "base/file_io.h"

#include <gtest/gtest.h>

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

}  // namespace
