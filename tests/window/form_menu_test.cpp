// A window's menu bar built from its menu-item records: what it shows, the
// items' events, and their properties.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/form_window.h"
#include "forms/properties.h"
#include "runtime/errors.h"
#include "runtime/values.h"
#include "tests/support/program_end.h"
#include "tests/window/form_test_support.h"
#include "tests/window/test_program.h"

namespace {

using namespace form_test;
using korvex::forms::kFirstUnitTypeProperty;
using korvex::forms::UnitDescription;
using Events = std::vector<std::string>;

constexpr uint32_t kMenuWindow = 0x52010030;
constexpr uint32_t kFile = 0x26010501;
constexpr uint32_t kOpen = 0x26010502;
constexpr uint32_t kSecret = 0x26010503;
constexpr uint32_t kGrey = 0x26010504;
constexpr uint32_t kTicked = 0x26010505;
constexpr uint32_t kHelp = 0x26010506;
const char kFileCaption[] = "\xCE\xC4\xBC\xFE";  // 文件, code page 936
constexpr int32_t kCaption = int32_t{kFirstUnitTypeProperty} + korvex::forms::kMenuItemCaption;
constexpr int32_t kChecked = int32_t{kFirstUnitTypeProperty} + korvex::forms::kMenuItemCheck;

UnitDescription Item(uint32_t id, const char* caption, uint32_t level, uint32_t flags,
                     int32_t handler) {
  UnitDescription u;
  u.id = id;
  u.type = korvex::forms::kUnitTypeMenuItem;
  u.name = "item";
  u.caption = caption;
  u.menu_value = level;
  u.flags = flags;
  u.menu_handler = handler;
  return u;
}

korvex::forms::WindowDescription MenuWindow() {
  korvex::forms::WindowDescription d;
  d.id = kMenuWindow;
  d.units.push_back(Window("Menus", 120, 120, 300, 150));
  d.units.push_back(Item(kFile, kFileCaption, 0, 0, -1));
  d.units.push_back(Item(kOpen, "Open", 1, 0, kLogsButton1));
  d.units.push_back(Item(kSecret, "Secret", 1, korvex::forms::kMenuItemHidden, kLogsButton1));
  d.units.push_back(Item(kGrey, "Grey", 1, korvex::forms::kMenuItemDisabled, kLogsButton1));
  d.units.push_back(Item(kTicked, "Ticked", 1, korvex::forms::kMenuItemChecked, kLogsButton2));
  d.units.push_back(Item(kHelp, "Help", 0, 0, kLogsButton3));
  d.units.push_back(Button(0x16010507, "Button", 5, 5, kLogsButton1));
  return d;
}

std::wstring Caption(HMENU menu, int position) {
  wchar_t text[64] = {};
  GetMenuStringW(menu, static_cast<UINT>(position), text, 64, MF_BYPOSITION);
  return text;
}

class FormMenuTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { LoadWindows({MenuWindow()}); }
  void SetUp() override {
    InstallFormEngine();
    ASSERT_TRUE(korvex::forms::LoadWindow(kMenuWindow));
    Drain();
    test_program::Log().clear();
  }
  void TearDown() override { CloseWindows({kMenuWindow}); }

  static HMENU Bar() { return GetMenu(FormHandle(kMenuWindow)); }
  static HMENU FileMenu() { return GetSubMenu(Bar(), 0); }
  // What choosing the item at `position` of `menu` sends the window.
  static void Choose(HMENU menu, int position) {
    const UINT command = GetMenuItemID(menu, position);
    SendMessageW(FormHandle(kMenuWindow), WM_COMMAND, MAKEWPARAM(command, 0), 0);
  }
};

TEST_F(FormMenuTest, MenuBarShowsTheItemsWithTheirStates) {
  ASSERT_NE(Bar(), nullptr);
  ASSERT_EQ(GetMenuItemCount(Bar()), 2);
  EXPECT_EQ(Caption(Bar(), 0), L"\u6587\u4EF6");
  EXPECT_EQ(Caption(Bar(), 1), L"Help");
  ASSERT_NE(FileMenu(), nullptr);
  // The hidden item is left out.
  ASSERT_EQ(GetMenuItemCount(FileMenu()), 3);
  EXPECT_EQ(Caption(FileMenu(), 0), L"Open");
  EXPECT_EQ(Caption(FileMenu(), 1), L"Grey");
  EXPECT_EQ(Caption(FileMenu(), 2), L"Ticked");
  const UINT states[] = {GetMenuState(FileMenu(), 0, MF_BYPOSITION),
                         GetMenuState(FileMenu(), 1, MF_BYPOSITION),
                         GetMenuState(FileMenu(), 2, MF_BYPOSITION)};
  EXPECT_FALSE(states[0] & (MF_GRAYED | MF_CHECKED));
  EXPECT_TRUE(states[1] & MF_GRAYED);
  EXPECT_FALSE(states[1] & MF_CHECKED);
  EXPECT_TRUE(states[2] & MF_CHECKED);
  EXPECT_FALSE(states[2] & MF_GRAYED);
  // The window's units sit below the menu bar, as before.
  EXPECT_NE(UnitHandle(kMenuWindow, 0x16010507), nullptr);
}

TEST_F(FormMenuTest, ChoosingAnItemRaisesItsEvent) {
  Choose(FileMenu(), 0);
  Choose(FileMenu(), 2);
  Choose(Bar(), 1);
  // A greyed item raises nothing, however its command came.
  Choose(FileMenu(), 1);
  EXPECT_EQ(test_program::Log(), (Events{"button1", "button2", "button3"}));
}

TEST_F(FormMenuTest, ItemPropertiesReadAndChangeTheMenu) {
  EXPECT_EQ(ReadText(kMenuWindow, kFile, kCaption), kFileCaption);
  EXPECT_EQ(Read(kMenuWindow, kTicked, kChecked).tag, korvex::tag::kBool);
  EXPECT_EQ(korvex::IntOf(Read(kMenuWindow, kTicked, kChecked)), 1);
  EXPECT_EQ(korvex::IntOf(Read(kMenuWindow, kSecret, korvex::forms::kPropertyVisible)), 0);
  EXPECT_EQ(korvex::IntOf(Read(kMenuWindow, kGrey, korvex::forms::kPropertyDisabled)), 1);

  WritePointer(kMenuWindow, kOpen, kCaption, "Open a file");
  Write(kMenuWindow, kSecret, korvex::forms::kPropertyVisible, 1);
  Write(kMenuWindow, kGrey, korvex::forms::kPropertyDisabled, 0);
  Write(kMenuWindow, kTicked, kChecked, 0);
  EXPECT_EQ(ReadText(kMenuWindow, kOpen, kCaption), "Open a file");
  ASSERT_EQ(GetMenuItemCount(FileMenu()), 4);
  EXPECT_EQ(Caption(FileMenu(), 0), L"Open a file");
  EXPECT_EQ(Caption(FileMenu(), 1), L"Secret");
  EXPECT_FALSE(GetMenuState(FileMenu(), 2, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_FALSE(GetMenuState(FileMenu(), 3, MF_BYPOSITION) & MF_CHECKED);
  // The item shown again and the one enabled can now be chosen.
  Choose(FileMenu(), 1);
  Choose(FileMenu(), 2);
  EXPECT_EQ(test_program::Log(), (Events{"button1", "button1"}));
  // Hiding a submenu's item hides its items with it.
  Write(kMenuWindow, kFile, korvex::forms::kPropertyVisible, 0);
  ASSERT_EQ(GetMenuItemCount(Bar()), 1);
  EXPECT_EQ(Caption(Bar(), 0), L"Help");
}

TEST_F(FormMenuTest, PropertiesMenuItemsDoNotHaveAreFatal) {
  static std::string reported;
  const std::string expected =  // 指定的窗口组件属性不存在
      "\xD6\xB8\xB6\xA8\xB5\xC4\xB4\xB0\xBF\xDA\xD7\xE9\xBC\xFE\xCA\xF4\xD0\xD4\xB2\xBB"
      "\xB4\xE6\xD4\xDA";
  const int32_t missing[] = {korvex::forms::kPropertyLeft, korvex::forms::kPropertyTag,
                             korvex::forms::kPropertyMousePointer, kFirstUnitTypeProperty + 2};
  for (int32_t property : missing) {
    korvex::ResetProgramEndForTesting();
    korvex::SetErrorHandler([](int32_t, const char* text) {
      reported = text ? text : "";
      return 1;
    });
    reported.clear();
    EXPECT_TRUE(korvex::testing::RunToEnd([&] { Read(kMenuWindow, kOpen, property); }).ended())
        << property;
    EXPECT_EQ(reported.compare(0, expected.size(), expected), 0) << property;
  }
}

}  // namespace
