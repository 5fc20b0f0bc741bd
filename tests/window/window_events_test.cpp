// A second window, described here and loaded beside the generated one, that
// binds every window event: the order of the window events, the style taken
// from the window's settings, button styles, and a unit that cannot be read.
#include <gtest/gtest.h>

#include "forms/form_engine.h"
#include "forms/form_window.h"
#include "forms/template_loader.h"
#include "forms/window_description.h"
#include "runtime/application.h"
#include "runtime/call_protocol.h"
#include "runtime/errors.h"
#include "tests/window/test_program.h"

extern "C" const uint8_t ProgramCode[];

namespace {

using namespace test_program;
using korvex::forms::BlockStatus;
using korvex::forms::WindowDescription;

constexpr uint32_t kEventsWindow = 0x52010002;
constexpr uint32_t kBrokenWindow = 0x52010003;

// The start-up window's description with another id, a sizable border, the
// centred position, no hidden owner, and every window event bound.
WindowDescription EventsWindow() {
  WindowDescription window = korvex::forms::StartupWindow({});
  window.id = kEventsWindow;
  auto& unit0 = window.units[0];
  korvex::forms::WindowProperties properties;
  EXPECT_EQ(korvex::forms::ParseWindowProperties(unit0.property_block, &properties),
            BlockStatus::kOk);
  properties.field[2] = 1;   // border: sizable
  properties.field[11] = 1;  // centred on the screen
  properties.field[16] = 1;  // not owned by the hidden owner
  properties.caption = "Events";
  unit0.property_block = korvex::forms::SerializeWindowProperties(properties);
  unit0.events = {{0, 0x3000}, {1, 0x3010}, {2, 0x3020}, {3, 0x3030}, {4, 0x3040}, {12, 0x3050}};
  // The first button becomes a default button aligned left and top.
  for (auto& unit : window.units) {
    if (unit.id != kButton1) continue;
    korvex::forms::ButtonProperties button;
    EXPECT_EQ(korvex::forms::ParseButtonProperties(unit.property_block, &button), BlockStatus::kOk);
    button.type = 1;
    button.horizontal_alignment = 0;
    button.vertical_alignment = 0;
    unit.property_block = korvex::forms::SerializeButtonProperties(button);
  }
  return window;
}

// A window whose label block has a version above what the loader reads.
WindowDescription BrokenWindow() {
  WindowDescription window = korvex::forms::StartupWindow({});
  window.id = kBrokenWindow;
  for (auto& unit : window.units) {
    if (unit.id != kLabel) continue;
    korvex::forms::StoreInt32(unit.property_block.data(), korvex::forms::kLabelBlockVersion + 1);
  }
  return window;
}

class WindowEventsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const WindowDescription windows[] = {EventsWindow(), BrokenWindow()};
    segment_ = korvex::forms::SerializeWindowTemplate(windows);
    korvex::forms::Windows().Load(segment_.data(), segment_.size(),
                                  reinterpret_cast<uintptr_t>(ProgramCode));
  }
  void SetUp() override {
    korvex::ResetProgramEndForTesting();
    korvex::App().forms = korvex::forms::FormEngine();
    Log().clear();
    allow_close = 1;
  }
  static HWND Find(uint32_t window) {
    auto* form = korvex::forms::FindForm(window);
    return form ? form->handle() : nullptr;
  }
  static std::vector<uint8_t> segment_;
};
std::vector<uint8_t> WindowEventsTest::segment_;

TEST_F(WindowEventsTest, CreationMovesSizesAndClosing) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kEventsWindow));
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"window event 0", "window event 3", "window event 4"}));
  HWND window = Find(kEventsWindow);
  ASSERT_TRUE(IsWindow(window));
  // Style from the settings: sizable, centred, without owner.
  EXPECT_TRUE(GetWindowLongW(window, GWL_STYLE) & WS_THICKFRAME);
  EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 350) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 85) / 2);
  // The default button aligned left and top.
  auto* form = korvex::forms::FindForm(kEventsWindow);
  HWND button = form->UnitHandle(form->record().FindUnit(kButton1));
  const LONG style = GetWindowLongW(button, GWL_STYLE);
  EXPECT_EQ(style & 0x0F, BS_DEFPUSHBUTTON);
  EXPECT_EQ(style & (BS_CENTER | BS_VCENTER), BS_LEFT | BS_TOP);

  Log().clear();
  SetWindowPos(window, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(window, nullptr, 0, 0, 300, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Log(), (std::vector<std::string>{"window event 3", "window event 4"}));

  // Close: event 12, then the close query; a false answer keeps the window.
  Log().clear();
  allow_close = 0;
  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(Log(), (std::vector<std::string>{"window event 12", "window event 1"}));
  // The end of the session asks the same question.
  Log().clear();
  EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, 0), 0);
  EXPECT_EQ(Log(), (std::vector<std::string>{"window event 1"}));
  Log().clear();
  allow_close = 1;
  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"window event 12", "window event 1", "window event 2"}));
  EXPECT_EQ(korvex::forms::FindForm(kEventsWindow), nullptr);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
}

TEST_F(WindowEventsTest, UnreadableUnitBlockFailsTheWindow) {
  korvex::forms::WindowRecord* record = korvex::forms::Windows().Find(kBrokenWindow);
  ASSERT_NE(record, nullptr);
  const std::vector<uint8_t> before(record->UnitBuffer().begin(), record->UnitBuffer().end());
  EXPECT_FALSE(korvex::forms::LoadWindow(kBrokenWindow));
  EXPECT_EQ(korvex::forms::FindForm(kBrokenWindow), nullptr);
  EXPECT_TRUE(Log().empty());  // no event of a window that failed
  // Nothing of the failed attempt stays in the records.
  EXPECT_EQ(std::vector<uint8_t>(record->UnitBuffer().begin(), record->UnitBuffer().end()), before);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
}

}  // namespace
