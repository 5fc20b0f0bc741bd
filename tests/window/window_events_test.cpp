// A second window, described here and loaded beside the generated one, that
// binds every window event: the order of the window events, the style taken
// from the window's settings, button styles, and a unit that cannot be read.
#include <gtest/gtest.h>

#include "forms/form_engine.h"
#include "forms/form_window.h"
#include "forms/properties.h"
#include "forms/template_loader.h"
#include "forms/window_description.h"
#include "runtime/application.h"
#include "runtime/call_protocol.h"
#include "runtime/errors.h"
#include "runtime/message_loop.h"
#include "tests/window/test_program.h"

extern "C" const uint8_t ProgramCode[];
extern "C" const korvex::LibraryRecord* const ProgramLibraryTable[5];

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
  unit0.events = {{0, 0x3000}, {1, 0x3010}, {2, 0x3020}, {3, 0x3030},  {4, 0x3040},  {5, 0x3060},
                  {6, 0x3070}, {7, 0x3080}, {8, 0x3090}, {10, 0x30A0}, {11, 0x30B0}, {12, 0x3050}};
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
    korvex::InstallRuntimeEntries();
    korvex::App().libraries.assign(ProgramLibraryTable, ProgramLibraryTable + 5);
    korvex::App().library_words.assign(5, 0);
    Log().clear();
    NotifyCalls().clear();
    allow_close = 1;
    window_event_script = {};
    idle_script = {};
    notify_script = {};
  }
  void TearDown() override {
    for (uint32_t id : {kEventsWindow}) {
      if (HWND window = Find(id)) DestroyWindow(window);
    }
    window_event_script = {};
    idle_script = {};
    notify_script = {};
    Drain();
  }
  // Takes every waiting message (a quit request posted by a closed window
  // included) out of the queue.
  static void Drain() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  static HWND Find(uint32_t window) {
    auto* form = korvex::forms::FindForm(window);
    return form ? form->handle() : nullptr;
  }
  static std::vector<uint8_t> segment_;
};
std::vector<uint8_t> WindowEventsTest::segment_;

using Events = std::vector<std::string>;

TEST_F(WindowEventsTest, CreationMovesSizesAndClosing) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kEventsWindow));
  // Created, moved, resized; then shown and activated for the first time.
  EXPECT_EQ(Log(), (Events{"window event 0", "window event 3", "window event 4", "window event 10",
                           "window event 5", "window event 8"}));
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
            (Events{"window event 12", "window event 1", "window event 6", "window event 2"}));
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

TEST_F(WindowEventsTest, ActivationAndShowingEvents) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kEventsWindow));
  HWND window = Find(kEventsWindow);
  Log().clear();
  // Another window takes the activation.
  HWND other = CreateWindowExW(0, L"Static", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_TRUE(other);
  EXPECT_EQ(Log(), (Events{"window event 6"}));
  // Activated again: no second first activation.
  Log().clear();
  SetActiveWindow(window);
  EXPECT_EQ(Log(), (Events{"window event 5"}));
  SetActiveWindow(other);
  // Hidden and shown again, through the window's visible property as well.
  Log().clear();
  ShowWindow(window, SW_HIDE);
  EXPECT_EQ(Log(), (Events{"window event 11"}));
  Log().clear();
  korvex::Runtime().write_property(kEventsWindow, kWindowUnit, korvex::forms::kPropertyVisible, -1,
                                   1, 0);
  EXPECT_EQ(Log(), (Events{"window event 10", "window event 5"}));  // shown and activated
  DestroyWindow(other);
  // The label's event 0 gets both words of the hot-key notification.
  Log().clear();
  auto* form = korvex::forms::FindForm(kEventsWindow);
  SendMessageW(form->UnitHandle(form->record().FindUnit(kLabel)),
               korvex::forms::kHotKeyNotifyMessage, 33005, 77);
  EXPECT_EQ(Log(), (Events{"hotkey 33005 77"}));
}

void CALLBACK QuitOnTimer(HWND, UINT, UINT_PTR, DWORD) {
  PostQuitMessage(0);
}

// The idle handler runs while the queue is empty for as long as it returns
// true, with the milliseconds of the idle period; then the loop waits.
TEST_F(WindowEventsTest, IdleEventRunsWhileAskedThenTheLoopWaits) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kEventsWindow));
  Drain();
  std::vector<int32_t> elapsed;
  idle_script = [&](int32_t ms) {
    elapsed.push_back(ms);
    Sleep(30);
    return elapsed.size() < 4 ? 1 : 0;
  };
  // Ends the loop well after the idle passes.
  const UINT_PTR timer = SetTimer(nullptr, 0, 400, &QuitOnTimer);
  FILETIME created, ended, kernel_before, user_before, kernel_after, user_after;
  GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel_before, &user_before);
  korvex::RunMessageLoop(korvex::LoopMode::kMain);
  GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel_after, &user_after);
  KillTimer(nullptr, timer);
  ASSERT_EQ(elapsed.size(), 4u);  // no pass after the handler said no more
  EXPECT_LT(elapsed[0], 30);
  EXPECT_GE(elapsed[3], 60);  // three passes of 30 ms before the fourth
  EXPECT_LE(elapsed[2], elapsed[3]);
  // A wide guard: waiting ~300 ms in GetMessage costs next to no processor time.
  auto ticks = [](const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  const uint64_t used =
      ticks(kernel_after) - ticks(kernel_before) + ticks(user_after) - ticks(user_before);
  EXPECT_LT(used, 150u * 10000u) << "100-ns units";  // 150 ms
}

// A window closed by its own created handler was created all the same: no
// failure report, and the run returns at once without entering the loop.
TEST_F(WindowEventsTest, WindowClosedByItsCreatedHandlerEndsTheRunAtOnce) {
  window_event_script = [](int32_t event) {
    if (event == 0) DestroyWindow(Find(kEventsWindow));
  };
  korvex::SetErrorHandler([](int32_t, const char*) { return 1; });
  korvex::SetProcessExitForTesting([](uint32_t code) { throw code; });
  korvex::App().main_loop_started = false;
  EXPECT_NO_THROW(korvex::Runtime().load_startup_window(kEventsWindow));
  EXPECT_EQ(Find(kEventsWindow), nullptr);
  EXPECT_EQ(Log(), (Events{"window event 0", "window event 2"}));
  // A quit request waiting in the queue would end a loop that was entered.
  PostQuitMessage(0);
  korvex::Runtime().run();
  MSG message;
  EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// On destruction every library hears of the window (after its units have
// left their object slots) before the quit request is posted.
TEST_F(WindowEventsTest, DestructionNotifiesTheLibrariesBeforeTheQuitCheck) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kEventsWindow));
  HWND window = Find(kEventsWindow);
  korvex::forms::WindowRecord* record = korvex::forms::Windows().Find(kEventsWindow);
  int32_t checked = 0;
  notify_script = [&](int32_t code) {
    if (code != korvex::kNotifyWindowDestroyed) return;
    ++checked;
    for (int32_t i = 0; i < record->UnitCount(); ++i) {
      EXPECT_EQ(record->ReadField(i, korvex::forms::UnitField::kObjectSlot), 0u) << i;
      EXPECT_EQ(record->ReadField(i, korvex::forms::UnitField::kPointerSlot), 0u) << i;
    }
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
  };
  korvex::App().main_loop_started = true;
  DestroyWindow(window);
  EXPECT_EQ(checked, 4);  // the four libraries with a notify routine
  for (const NotifyCall& call : NotifyCalls()) {
    EXPECT_EQ(call.code, korvex::kNotifyWindowDestroyed);
    EXPECT_EQ(static_cast<uint32_t>(call.p1), kEventsWindow);
    EXPECT_EQ(call.p2, reinterpret_cast<intptr_t>(window));
  }
  MSG message;
  EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
