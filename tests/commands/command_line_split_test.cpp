// The command-line splitter, byte for byte.
#include "commands/command_line_split.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/runtime/runtime_test_support.h"

namespace korvex {
namespace {

// Elements as strings; a null element (empty quoted) shows as "<null>".
std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> out;
  for (const CommandLineElement& e : SplitCommandLine(line.c_str())) {
    EXPECT_GE(e.offset, 0);
    EXPECT_LE(static_cast<size_t>(e.offset + e.length), line.size());
    out.push_back(e.length == 0 ? "<null>" : line.substr(e.offset, e.length));
  }
  return out;
}

using Elements = std::vector<std::string>;

TEST(CommandLineSplit, ProgramNameIsSkipped) {
  EXPECT_EQ(Split("\"C:\\Program Files\\K.exe\""), Elements{});
  EXPECT_EQ(Split("\"C:\\Program Files\\K.exe\" -s"), Elements{"-s"});
  EXPECT_EQ(Split("\"C:\\a b\\K.exe\"-s"), Elements{"-s"});
  EXPECT_EQ(Split("K.exe -s"), Elements{"-s"});
  EXPECT_EQ(Split("K.exe"), Elements{});
  EXPECT_EQ(Split(""), Elements{});
  // A line that ends inside the quoted name gives nothing.
  EXPECT_EQ(Split("\"C:\\a b\\K.exe -s"), Elements{});
  // Only one blank after a quoted name is skipped; the rest separate.
  EXPECT_EQ(Split("\"K.exe\"   a"), Elements{"a"});
}

TEST(CommandLineSplit, PlainElementsAndSeparators) {
  EXPECT_EQ(Split("K.exe a  b"), (Elements{"a", "b"}));
  EXPECT_EQ(Split("K.exe a\tb\x01"
                  "c\x1f"
                  "d "),
            (Elements{"a", "b", "c", "d"}));
  // No escape character: a backslash is an ordinary byte.
  EXPECT_EQ(Split("K.exe C:\\x\\ \\\"y"), (Elements{"C:\\x\\", "\\", "y"}));
}

TEST(CommandLineSplit, QuotedElements) {
  EXPECT_EQ(Split("K.exe \"a b\" c"), (Elements{"a b", "c"}));
  EXPECT_EQ(Split("K.exe \"\" c"), (Elements{"<null>", "c"}));
  EXPECT_EQ(Split("K.exe \"a\"\"b\""), (Elements{"a", "b"}));
  // An unclosed quote takes the rest of the line, blanks and all.
  EXPECT_EQ(Split("K.exe a \"b c  "), (Elements{"a", "b c  "}));
  // A quote inside a plain element makes three elements.
  EXPECT_EQ(Split("K.exe ab\"c d\"ef"), (Elements{"ab", "c d", "ef"}));
}

TEST(CommandLineSplit, DoubleByteCharacters) {
  const std::string name = testing::Gbk("安装");
  EXPECT_EQ(Split("K.exe " + name + " x"), (Elements{name, "x"}));
  // A second byte that looks like a quote or a blank stays in its character.
  EXPECT_EQ(Split("K.exe a\x81\"b c"), (Elements{"a\x81\"b", "c"}));
  EXPECT_EQ(Split("K.exe \"a\x81\" b\" c"), (Elements{"a\x81\" b", "c"}));
  EXPECT_EQ(Split("K.exe a\x81 b"), (Elements{"a\x81 b"}));
}

TEST(CommandLineSplit, LoneLeadByteAtTheEndIsDropped) {
  EXPECT_EQ(Split("K.exe ab\xE9"), Elements{"ab"});
  EXPECT_EQ(Split("K.exe \"ab\xE9"), Elements{"ab"});
  EXPECT_EQ(Split("K.exe x \xE9"), (Elements{"x", "<null>"}));
  // Pairs before it are kept whole.
  EXPECT_EQ(Split("K.exe \xB0\xB2\xE9"), Elements{"\xB0\xB2"});
}

}  // namespace
}  // namespace korvex
