#include "base/text_conversion.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/gbk.h"

namespace {

using korvex::TextFromWide;
using korvex::WideFromText;
using korvex::testing::Gbk;

constexpr wchar_t kInstallWide[] = L"Korvex \u4E00\u952E\u5B89\u88C5";  // Korvex 一键安装

TEST(TextConversion, CodePage936BothWays) {
  const std::string text = Gbk("Korvex 一键安装");
  EXPECT_EQ(WideFromText(text), kInstallWide);
  EXPECT_EQ(TextFromWide(kInstallWide), text);
  EXPECT_EQ(WideFromText(""), L"");
  EXPECT_EQ(TextFromWide(L""), "");
}

TEST(TextConversion, FixedBufferTakesATextThatFitsWithItsTerminator) {
  const std::string text = Gbk("一键安装");  // four characters, eight bytes
  wchar_t exact[5];
  EXPECT_TRUE(WideFromText(text.c_str(), exact));
  EXPECT_STREQ(exact, L"\u4E00\u952E\u5B89\u88C5");
}

TEST(TextConversion, FixedBufferLeavesTheEmptyTextWhenTheTextDoesNotFit) {
  const std::string text = Gbk("一键安装");
  wchar_t short_by_one[4] = {L'x', L'x', L'x', L'x'};
  EXPECT_FALSE(WideFromText(text.c_str(), short_by_one));
  EXPECT_EQ(short_by_one[0], L'\0');

  wchar_t none[2] = {L'x', L'x'};
  EXPECT_FALSE(WideFromText(nullptr, none));
  EXPECT_EQ(none[0], L'\0');
}

}  // namespace
