// The keyboard of a form window, with key presses through the platform's
// input: where the focus goes when the window is shown or activated, Tab and
// Shift+Tab through the tab-stop units in focus order, Enter and Space.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "forms/form_window.h"
#include "forms/properties.h"
#include "runtime/application.h"
#include "runtime/message_loop.h"
#include "tests/window/form_test_support.h"
#include "tests/window/test_program.h"

namespace {

using namespace form_test;
using korvex::forms::kFirstUnitTypeProperty;
using korvex::forms::kUnitTabStop;
using korvex::forms::kUnitVisible;
using Events = std::vector<std::string>;

constexpr uint32_t kKeysWindow = 0x52010020;
// In unit-table order; the focus order is what Tab follows.
constexpr uint32_t kFirst = 0x16010401;   // focus order 2
constexpr uint32_t kSecond = 0x16010402;  // focus order 0: the first to get the focus
constexpr uint32_t kHidden = 0x16010403;  // focus order 1, not visible
constexpr uint32_t kOff = 0x16010404;     // focus order 3, disabled
constexpr uint32_t kThird = 0x16010405;   // focus order 2 as kFirst, later in the table; default
constexpr uint32_t kNoStop = 0x16010406;  // focus order 0 without the tab-stop flag

korvex::forms::WindowDescription KeysWindow() {
  korvex::forms::WindowDescription d;
  d.id = kKeysWindow;
  d.units.push_back(Window("Keys", 100, 100, 420, 160));
  struct {
    uint32_t id;
    const char* caption;
    int32_t handler, focus_order;
    uint32_t flags;
  } const buttons[] = {
      {kFirst, "First", kLogsButton1, 2, kUnitVisible | kUnitTabStop},
      {kSecond, "Second", kLogsButton3, 0, kUnitVisible | kUnitTabStop},
      {kHidden, "Hidden", kLogsButton1, 1, kUnitTabStop},
      {kOff, "Off", kLogsButton1, 3, kUnitVisible | kUnitTabStop | korvex::forms::kUnitDisabled},
      {kThird, "Third", kLogsButton2, 2, kUnitVisible | kUnitTabStop},
      {kNoStop, "NoStop", kLogsButton1, 0, kUnitVisible}};
  int32_t left = 5;
  for (const auto& b : buttons) {
    korvex::forms::UnitDescription u = Button(b.id, b.caption, left, 10, b.handler);
    u.focus_order = b.focus_order;
    u.flags = b.flags;
    if (b.id == kThird) {
      korvex::forms::ButtonProperties p;
      p.caption = b.caption;
      p.type = 1;  // the default button
      u.property_block = korvex::forms::SerializeButtonProperties(p);
    }
    d.units.push_back(u);
    left += 68;
  }
  return d;
}

class FormKeyboardTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { LoadWindows({KeysWindow()}); }
  void SetUp() override {
    InstallFormEngine();
    test_program::Log().clear();
    ASSERT_TRUE(korvex::forms::LoadWindow(kKeysWindow));
    SetForegroundWindow(FormHandle(kKeysWindow));
    Drain();
    test_program::Log().clear();
  }
  void TearDown() override { CloseWindows({kKeysWindow}); }

  static HWND Unit(uint32_t unit) { return UnitHandle(kKeysWindow, unit); }
  // Types a key and lets the runtime's pending-message pump handle it.
  static void Press(WORD key, bool shift = false) {
    TypeKey(key, shift);
    korvex::ProcessPendingMessages();
  }
};

TEST_F(FormKeyboardTest, FocusGoesToTheFirstTabStopWhenShown) {
  EXPECT_EQ(GetFocus(), Unit(kSecond));
  // Hidden and shown again through the visible property.
  Write(kKeysWindow, korvex::forms::kWindowUnitId, korvex::forms::kPropertyVisible, 0);
  Write(kKeysWindow, korvex::forms::kWindowUnitId, korvex::forms::kPropertyVisible, 1);
  EXPECT_EQ(GetFocus(), Unit(kSecond));
}

TEST_F(FormKeyboardTest, TabAndShiftTabFollowTheFocusOrderAndWrap) {
  // Hidden, disabled and units without the tab-stop flag are passed over;
  // equal focus orders go in unit-table order.
  const uint32_t forward[] = {kFirst, kThird, kSecond, kFirst};
  for (uint32_t expected : forward) {
    Press(VK_TAB);
    EXPECT_EQ(GetFocus(), Unit(expected)) << std::hex << expected;
  }
  const uint32_t backward[] = {kSecond, kThird, kFirst, kSecond};
  for (uint32_t expected : backward) {
    Press(VK_TAB, true);
    EXPECT_EQ(GetFocus(), Unit(expected)) << std::hex << expected;
  }
  // A unit enabled or shown later takes its place in the order.
  Write(kKeysWindow, kOff, korvex::forms::kPropertyDisabled, 0);
  Write(kKeysWindow, kHidden, korvex::forms::kPropertyVisible, 1);
  const uint32_t all[] = {kHidden, kFirst, kThird, kOff, kSecond};
  for (uint32_t expected : all) {
    Press(VK_TAB);
    EXPECT_EQ(GetFocus(), Unit(expected)) << std::hex << expected;
  }
  EXPECT_TRUE(test_program::Log().empty());  // moving the focus clicks nothing
}

TEST_F(FormKeyboardTest, FocusReturnsToTheUnitThatHadIt) {
  Press(VK_TAB);
  ASSERT_EQ(GetFocus(), Unit(kFirst));
  HWND other = CreateWindowExW(0, L"Static", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr,
                               nullptr, nullptr, nullptr);
  SetActiveWindow(other);
  ASSERT_NE(GetFocus(), Unit(kFirst));
  SetActiveWindow(FormHandle(kKeysWindow));
  EXPECT_EQ(GetFocus(), Unit(kFirst));
  // A unit that cannot take the focus any more hands it to the first one.
  SetActiveWindow(other);
  Write(kKeysWindow, kFirst, korvex::forms::kPropertyDisabled, 1);
  SetActiveWindow(FormHandle(kKeysWindow));
  EXPECT_EQ(GetFocus(), Unit(kSecond));
  DestroyWindow(other);
}

TEST_F(FormKeyboardTest, EnterPressesTheDefaultButtonSpaceTheFocusedOne) {
  ASSERT_EQ(GetFocus(), Unit(kSecond));
  Press(VK_RETURN);
  Press(VK_SPACE);
  // Moving the focus leaves the default button what its type says.
  Press(VK_TAB);
  ASSERT_EQ(GetFocus(), Unit(kFirst));
  Press(VK_RETURN);
  Press(VK_SPACE);
  EXPECT_EQ(test_program::Log(), (Events{"button2", "button3", "button2", "button1"}));
  EXPECT_EQ(GetWindowLongW(Unit(kThird), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(GetWindowLongW(Unit(kFirst), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
}

TEST_F(FormKeyboardTest, WithoutAUsableDefaultButtonEnterPressesTheFocusedOne) {
  const int32_t type = kFirstUnitTypeProperty + 1;
  Write(kKeysWindow, kThird, type, 0);  // no default button
  Press(VK_RETURN);
  Write(kKeysWindow, kThird, type, 1);  // a default button, but disabled
  Write(kKeysWindow, kThird, korvex::forms::kPropertyDisabled, 1);
  Press(VK_TAB);
  Press(VK_RETURN);
  EXPECT_EQ(test_program::Log(), (Events{"button3", "button1"}));
}

// Escape asks the window for its cancel command (IDCANCEL = 2): no unit
// window has that id, so the unit at index 2 stays unpressed.
TEST_F(FormKeyboardTest, EscapePressesNothing) {
  Press(VK_ESCAPE);
  EXPECT_TRUE(test_program::Log().empty());
  EXPECT_TRUE(IsWindow(FormHandle(kKeysWindow)));
}

// The main loop hands the keys to the form window as the pump does.
TEST_F(FormKeyboardTest, TheMainLoopTakesTheKeys) {
  std::vector<std::function<void()>> steps = {[] { TypeKey(VK_TAB); },
                                              [] {
                                                EXPECT_EQ(GetFocus(), Unit(kFirst));
                                                TypeKey(VK_SPACE);
                                              },
                                              [] { PostQuitMessage(0); }};
  struct Run {
    std::vector<std::function<void()>>* steps;
    size_t next = 0;
  } run{&steps};
  korvex::AddIdleRoutine(
      FormHandle(kKeysWindow),
      [](void* p) {
        auto* r = static_cast<Run*>(p);
        if (r->next < r->steps->size()) (*r->steps)[r->next++]();
        korvex::KeepIdling();
      },
      &run);
  korvex::RunMessageLoop(korvex::LoopMode::kMain);
  korvex::RemoveIdleRoutines(FormHandle(kKeysWindow));
  EXPECT_EQ(run.next, steps.size());
  EXPECT_EQ(test_program::Log(), (Events{"button1"}));
}

}  // namespace
