// Form windows and units as the template sets them: a window class named by
// the template, units inside other units, labels that change size, and the
// window's own disabled flag and colour.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/form_window.h"
#include "forms/properties.h"
#include "runtime/message_loop.h"
#include "runtime/values.h"
#include "tests/window/form_test_support.h"
#include "tests/window/test_program.h"

namespace {

using namespace form_test;
using korvex::forms::UnitDescription;
using korvex::forms::WindowDescription;
using Events = std::vector<std::string>;

constexpr uint32_t kUnitsWindow = 0x52010051;
constexpr uint32_t kBox = 0x16010601;    // a label holding kInner
constexpr uint32_t kInner = 0x16010602;  // a button inside kBox
constexpr uint32_t kOuter = 0x16010603;  // a button on the window
constexpr uint32_t kSized = 0x16010604;  // a label whose size changes
constexpr uint32_t kLabelClassWindow = 0x52010052;
constexpr uint32_t kHotKeyLabel = 0x16010605;
constexpr uint32_t kDisabledWindow = 0x52010053;
constexpr uint32_t kColour = 0x00336699;  // 0x00BBGGRR
constexpr int32_t kOnHotKey = 0x2005;     // logs "hotkey <id> <second>"

korvex::forms::LabelProperties Caption(const char* caption) {
  korvex::forms::LabelProperties p;
  p.caption = caption;
  p.horizontal_alignment = 2;      // right: the caption moves with the width
  p.background_colour = 0x0000FF;  // red
  p.text_colour = 0xFF0000;        // blue
  return p;
}

WindowDescription UnitsWindow() {
  WindowDescription d;
  d.id = kUnitsWindow;
  d.units.push_back(Window("Units", 60, 60, 420, 260));
  UnitDescription box = Label(kBox, 10, 10, 200, 80, Caption(""));
  box.children = {kInner};
  box.focus_order = 1;
  d.units.push_back(box);
  UnitDescription inner = Button(kInner, "Inner", 10, 10, kLogsButton1);
  inner.parent = kBox;
  d.units.push_back(inner);
  d.units.push_back(Button(kOuter, "Outer", 250, 10, kLogsButton2));
  d.units.push_back(Label(kSized, 10, 120, 120, 40, Caption("MMMM")));
  return d;
}

// A window of the label class, holding a label of its own.
WindowDescription LabelClassWindow() {
  WindowDescription d;
  d.id = kLabelClassWindow;
  d.units.push_back(Window("Label class", 80, 80, 300, 150));
  korvex::forms::WindowProperties p;
  EXPECT_EQ(korvex::forms::ParseWindowProperties(d.units[0].property_block, &p),
            korvex::forms::BlockStatus::kOk);
  p.text20 = "_EL_Label";
  d.units[0].property_block = korvex::forms::SerializeWindowProperties(p);
  UnitDescription label = Label(kHotKeyLabel, 5, 5, 50, 20, Caption("L"));
  label.events = {{0, kOnHotKey}};
  d.units.push_back(label);
  return d;
}

WindowDescription DisabledWindow() {
  WindowDescription d;
  d.id = kDisabledWindow;
  d.units.push_back(Window("Disabled", 90, 90, 200, 120));
  d.units[0].flags |= korvex::forms::kUnitDisabled;
  korvex::forms::WindowProperties p;
  EXPECT_EQ(korvex::forms::ParseWindowProperties(d.units[0].property_block, &p),
            korvex::forms::BlockStatus::kOk);
  p.field[4] = static_cast<int32_t>(kColour);
  d.units[0].property_block = korvex::forms::SerializeWindowProperties(p);
  return d;
}

// A colour 0x00BBGGRR as a bitmap's pixel, 0x00RRGGBB.
uint32_t PixelOf(COLORREF colour) {
  return static_cast<uint32_t>(GetRValue(colour)) << 16 | GetGValue(colour) << 8 |
         GetBValue(colour);
}

class FormUnitsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    LoadWindows({UnitsWindow(), LabelClassWindow(), DisabledWindow()});
  }
  void SetUp() override {
    InstallFormEngine();
    test_program::Log().clear();
  }
  void TearDown() override { CloseWindows({kUnitsWindow, kLabelClassWindow, kDisabledWindow}); }
};

// A template may name the engine's own label class for a window: the window
// then has the label procedure behind it, which must not take the form
// window object for a label.
TEST_F(FormUnitsTest, WindowOfTheLabelClassIsNoLabel) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kUnitsWindow));  // the label class exists from here on
  CloseWindows({kUnitsWindow});
  ASSERT_TRUE(korvex::forms::LoadWindow(kLabelClassWindow));
  HWND window = FormHandle(kLabelClassWindow);
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  ASSERT_STREQ(name, L"_EL_Label");
  EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), 0);
  EXPECT_EQ(SendMessageW(window, WM_GETFONT, 0, 0), 0);  // the platform's answer
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  // Its own label is a label all the same.
  EXPECT_NE(SendMessageW(UnitHandle(kLabelClassWindow, kHotKeyLabel), WM_GETFONT, 0, 0), 0);
  SendMessageW(UnitHandle(kLabelClassWindow, kHotKeyLabel), korvex::forms::kHotKeyNotifyMessage, 7,
               0);
  EXPECT_EQ(test_program::Log(), (Events{"hotkey 7 0"}));
}

TEST_F(FormUnitsTest, ButtonInsideALabelRaisesItsClick) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kUnitsWindow));
  HWND inner = UnitHandle(kUnitsWindow, kInner);
  ASSERT_EQ(GetParent(inner), UnitHandle(kUnitsWindow, kBox));
  SendMessageW(inner, BM_CLICK, 0, 0);
  SendMessageW(UnitHandle(kUnitsWindow, kOuter), BM_CLICK, 0, 0);
  EXPECT_EQ(test_program::Log(), (Events{"button1", "button2"}));
}

TEST_F(FormUnitsTest, TabReachesUnitsInsideOtherUnits) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kUnitsWindow));
  SetForegroundWindow(FormHandle(kUnitsWindow));
  Drain();
  // The box comes after the outer button in focus order; its button with it.
  ASSERT_EQ(GetFocus(), UnitHandle(kUnitsWindow, kOuter));
  TypeKey(VK_TAB);
  korvex::ProcessPendingMessages();
  EXPECT_EQ(GetFocus(), UnitHandle(kUnitsWindow, kInner));
  TypeKey(VK_SPACE);
  korvex::ProcessPendingMessages();
  EXPECT_EQ(test_program::Log(), (Events{"button1"}));
}

// What the screen shows of a label after a size change is what the label
// paints at its new size (its caption is right-aligned, so it moves).
TEST_F(FormUnitsTest, LabelRepaintsWhenResized) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kUnitsWindow));
  HWND label = UnitHandle(kUnitsWindow, kSized);
  UpdateWindow(FormHandle(kUnitsWindow));
  constexpr uint32_t kBlue = 0x0000FF;
  ASSERT_EQ(Shown(label).Box(kBlue).right, Painted(label).Box(kBlue).right);
  for (int32_t width : {80, 160}) {
    Write(kUnitsWindow, kSized, korvex::forms::kPropertyWidth, width);
    UpdateWindow(FormHandle(kUnitsWindow));
    const RECT fresh = Painted(label).Box(kBlue);
    const RECT shown = Shown(label).Box(kBlue);
    ASSERT_GT(fresh.right, width - 10) << width;  // right-aligned at the new width
    EXPECT_EQ(shown.left, fresh.left) << width;
    EXPECT_EQ(shown.right, fresh.right) << width;
  }
}

TEST_F(FormUnitsTest, WindowDisabledFlagAndColourApply) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kDisabledWindow));
  HWND window = FormHandle(kDisabledWindow);
  EXPECT_FALSE(IsWindowEnabled(window));
  EXPECT_EQ(korvex::IntOf(Read(kDisabledWindow, korvex::forms::kWindowUnitId,
                               korvex::forms::kPropertyDisabled)),
            1);
  EXPECT_EQ(Painted(window, WM_ERASEBKGND).At(2, 2), PixelOf(kColour));
  Write(kDisabledWindow, korvex::forms::kWindowUnitId, korvex::forms::kPropertyDisabled, 0);
  EXPECT_TRUE(IsWindowEnabled(window));
  // The default colour (0xFF000000) is the button face.
  ASSERT_TRUE(korvex::forms::LoadWindow(kUnitsWindow));
  EXPECT_TRUE(IsWindowEnabled(FormHandle(kUnitsWindow)));
  EXPECT_EQ(Painted(FormHandle(kUnitsWindow), WM_ERASEBKGND).At(2, 2),
            PixelOf(GetSysColor(COLOR_BTNFACE)));
}

}  // namespace
