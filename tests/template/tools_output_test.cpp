// The generators write exactly what the program's description serializes to.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/template/template_test_support.h"
#include "base/file_io.h"

namespace {

TEST(Generators, WriteTheIconAndTheSegment) {
  const std::string dir = TEMPLATE_TEST_OUTPUT_DIR;
  const std::string icon = dir + "/generated-icon.ico";
  const std::string segment = dir + "/generated-template.bin";
  ASSERT_EQ(std::system((std::string(MAKE_ICON_TOOL) + " " + icon).c_str()), 0);
  ASSERT_EQ(std::system((std::string(MAKE_TEMPLATE_TOOL) + " " + icon + " " + segment).c_str()), 0);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(korvex::ReadWholeFile(icon.c_str(), &bytes));
  EXPECT_EQ(bytes, korvex::forms::testing::GeneratedIcon());
  ASSERT_TRUE(korvex::ReadWholeFile(segment.c_str(), &bytes));
  EXPECT_EQ(bytes.size(), 16442u);
  EXPECT_EQ(bytes, korvex::forms::testing::GeneratedSegment());
  // Wrong usage and unreadable input fail.
  EXPECT_NE(std::system(MAKE_ICON_TOOL), 0);
  EXPECT_NE(std::system((std::string(MAKE_TEMPLATE_TOOL) + " " + dir + "/missing.ico " + segment +
                         " 2>/dev/null")
                            .c_str()),
            0);
}

}  // namespace
