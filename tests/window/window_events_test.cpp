// A second window, described here and loaded beside the generated one, that
// binds every window event: the order of the window events, the style taken
// from the window's settings, button styles, and a unit that cannot be read.
#include <gtest/gtest.h>

#include <functional>

#include "forms/form_engine.h"
#include "forms/form_window.h"
#include "forms/properties.h"
#include "forms/template_loader.h"
#include "app/startup_window.h"
#include "runtime/application.h"
#include "runtime/call_protocol.h"
#include "runtime/errors.h"
#include "runtime/message_loop.h"
#include "runtime/values.h"
#include "tests/support/program_end.h"
#include "tests/window/form_test_support.h"
#include "tests/window/test_program.h"

namespace {

using namespace test_program;
using korvex::forms::BlockStatus;
using korvex::forms::WindowDescription;

constexpr uint32_t kEventsWindow = 0x52010002;
constexpr uint32_t kBrokenWindow = 0x52010003;
constexpr uint32_t kShownLabel = 0x16010200;
constexpr uint32_t kNamedClassWindow = 0x52010004;
constexpr uint32_t kMissingClassWindow = 0x52010005;
constexpr wchar_t kTestClass[] = L"KorvexTestNamedClass";

// A 32 x 32 monochrome cursor file with its hot spot at (5, 7).
std::vector<uint8_t> CursorFile() {
  korvex::forms::ByteWriter w;
  w.UInt32(0x00020000);  // reserved, type 2
  w.Byte(1);
  w.Byte(0);  // one image
  w.Byte(32);
  w.Byte(32);
  w.Byte(2);
  w.Byte(0);
  w.Byte(5);
  w.Byte(0);
  w.Byte(7);
  w.Byte(0);      // hot spot
  w.UInt32(304);  // 40 + 8 + 128 + 128
  w.UInt32(22);
  w.UInt32(40);
  w.Int32(32);
  w.Int32(64);  // the image and its mask
  w.Byte(1);
  w.Byte(0);
  w.Byte(1);
  w.Byte(0);  // planes, bits
  w.Zeros(24);
  w.UInt32(0x000000);
  w.UInt32(0xFFFFFF);
  for (int row = 0; row < 32; ++row) w.UInt32(row % 2 ? 0xFFFFFFFF : 0);
  w.Zeros(128);
  return w.Take();
}

// The start-up window's description with another id, a sizable border, the
// centred position, no hidden owner, and every window event bound.
WindowDescription EventsWindow() {
  WindowDescription window = korvex::app::StartupWindow({});
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
  for (auto& unit : window.units) {
    if (unit.id == kButton3) unit.mouse_pointer = {2, 0, 0, 0};  // the cross
  }
  // A visible label with a caption of its own.
  korvex::forms::UnitDescription label;
  label.id = kShownLabel;
  label.type = korvex::forms::kUnitTypeLabel;
  label.name = "shown";
  label.left = 10;
  label.top = 45;
  label.width = 120;
  label.height = 40;
  label.flags = korvex::forms::kUnitVisible;
  label.mouse_pointer = CursorFile();
  korvex::forms::LabelProperties properties_of_label;
  properties_of_label.caption = "MMMM";
  label.property_block = korvex::forms::SerializeLabelProperties(properties_of_label);
  window.units.push_back(label);
  return window;
}

// The events window in a window class of the given name.
WindowDescription NamedClassWindow(uint32_t id, const char* class_name) {
  WindowDescription window = EventsWindow();
  window.id = id;
  window.units.pop_back();  // not the label with the cursor image
  auto& unit0 = window.units[0];
  korvex::forms::WindowProperties properties;
  EXPECT_EQ(korvex::forms::ParseWindowProperties(unit0.property_block, &properties),
            BlockStatus::kOk);
  properties.text20 = class_name;
  unit0.property_block = korvex::forms::SerializeWindowProperties(properties);
  return window;
}

// A window whose label block has a version above what the loader reads.
WindowDescription BrokenWindow() {
  WindowDescription window = korvex::app::StartupWindow({});
  window.id = kBrokenWindow;
  for (auto& unit : window.units) {
    if (unit.id != kLabel) continue;
    korvex::StoreInt32(unit.property_block.data(), korvex::forms::kLabelBlockVersion + 1);
  }
  return window;
}

class WindowEventsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const WindowDescription windows[] = {
        EventsWindow(), BrokenWindow(), NamedClassWindow(kNamedClassWindow, "KorvexTestNamedClass"),
        NamedClassWindow(kMissingClassWindow, "KorvexNoSuchClass")};
    segment_ = korvex::forms::SerializeWindowTemplate(windows);
    korvex::forms::Windows().Load(segment_.data(), segment_.size(),
                                  reinterpret_cast<uintptr_t>(ProgramCode));
  }
  void SetUp() override {
    korvex::ResetProgramEndForTesting();
    korvex::App().forms = korvex::forms::FormEngine();
    korvex::InstallRuntimeEntries();
    korvex::App().libraries.assign(ProgramLibraryTable,
                                   ProgramLibraryTable + korvex::kLibraryCount);
    korvex::App().library_words.assign(korvex::kLibraryCount, 0);
    Log().clear();
    NotifyCalls().clear();
    allow_close = 1;
    window_event_script = {};
    idle_script = {};
    notify_script = {};
  }
  void TearDown() override {
    for (uint32_t id : {kEventsWindow, kNamedClassWindow}) {
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
  korvex::App().main_loop_started = false;
  EXPECT_TRUE(korvex::testing::RunToEnd([] {
                korvex::Runtime().load_startup_window(kEventsWindow);
              }).returned());
  EXPECT_EQ(Find(kEventsWindow), nullptr);
  EXPECT_EQ(Log(), (Events{"window event 0", "window event 2"}));
  // A quit request waiting in the queue would end a loop that was entered.
  PostQuitMessage(0);
  korvex::Runtime().run();
  MSG message;
  EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// On destruction the window tells the runtime (notification 2000 through its
// notification function); the libraries' notify routines, which hear only of
// start and end, are not called. The units have left their slots and the
// quit request follows.
TEST_F(WindowEventsTest, DestructionNotifiesTheRuntimeNotTheLibraries) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kEventsWindow));
  HWND window = Find(kEventsWindow);
  korvex::forms::WindowRecord* record = korvex::forms::Windows().Find(kEventsWindow);
  NotifyCalls().clear();
  korvex::App().main_loop_started = true;
  DestroyWindow(window);
  EXPECT_TRUE(NotifyCalls().empty());
  for (int32_t i = 0; i < record->UnitCount(); ++i) {
    EXPECT_EQ(record->ReadField(i, korvex::forms::UnitField::kObjectSlot), 0u) << i;
    EXPECT_EQ(record->ReadField(i, korvex::forms::UnitField::kPointerSlot), 0u) << i;
  }
  MSG message;
  EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// --- Unit properties -------------------------------------------------------------

korvex::ArgRecord Read(uint32_t unit, int32_t property, int32_t index = -1) {
  return korvex::Runtime().read_property(kEventsWindow, unit, property, index);
}
void Write(uint32_t unit, int32_t property, int32_t value, int32_t index = -1) {
  korvex::Runtime().write_property(kEventsWindow, unit, property, index,
                                   static_cast<uint32_t>(value), 0);
}
void WritePointer(uint32_t unit, int32_t property, const void* value, int32_t index = -1) {
  const auto bits = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(value));
  korvex::Runtime().write_property(kEventsWindow, unit, property, index,
                                   static_cast<uint32_t>(bits), static_cast<uint32_t>(bits >> 32));
}
std::string ReadText(uint32_t unit, int32_t property, int32_t index = -1) {
  const korvex::ArgRecord value = Read(unit, property, index);
  EXPECT_EQ(value.tag, korvex::tag::kText);
  char* text = korvex::PointerOf<char>(value);
  std::string result = text ? text : "";
  korvex::Free(text);
  return result;
}
std::vector<uint8_t> ReadBytes(uint32_t unit, int32_t property, int32_t index = -1) {
  const korvex::ArgRecord value = Read(unit, property, index);
  EXPECT_EQ(value.tag, korvex::tag::kByteSet);
  void* bytes = korvex::PointerOf<void>(value);
  const uint8_t* data = korvex::ByteSetData(bytes);
  std::vector<uint8_t> result(data, data + korvex::ByteSetLength(bytes));
  korvex::Free(bytes);
  return result;
}
HWND UnitOf(uint32_t unit) {
  auto* form = korvex::forms::FindForm(kEventsWindow);
  return form ? form->UnitHandle(form->record().FindUnit(unit)) : nullptr;
}
LOGFONTW LiveFont(uint32_t unit) {
  LOGFONTW lf{};
  auto font = reinterpret_cast<HFONT>(SendMessageW(UnitOf(unit), WM_GETFONT, 0, 0));
  EXPECT_EQ(GetObjectW(font, sizeof lf, &lf), static_cast<int>(sizeof lf));
  return lf;
}
constexpr int32_t kType = korvex::forms::kFirstUnitTypeProperty;  // unit-type property 0

TEST_F(WindowEventsTest, ButtonPropertiesRoundTripIntoTheLiveButton) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kEventsWindow));
  HWND button = UnitOf(kButton2);
  Write(kButton2, kType + 1, 1);  // default button
  Write(kButton2, kType + 3, 2);  // right
  Write(kButton2, kType + 4, 7);  // bottom (clamped from 7)
  EXPECT_EQ(korvex::IntOf(Read(kButton2, kType + 1)), 1);
  EXPECT_EQ(korvex::IntOf(Read(kButton2, kType + 3)), 2);
  EXPECT_EQ(Read(kButton2, kType + 4).tag, korvex::tag::kInt);
  EXPECT_EQ(korvex::IntOf(Read(kButton2, kType + 4)), 2);
  const LONG style = GetWindowLongW(button, GWL_STYLE);
  EXPECT_EQ(style & 0x0F, BS_DEFPUSHBUTTON);
  EXPECT_EQ(style & (BS_CENTER | BS_VCENTER), BS_RIGHT | BS_BOTTOM);
  // The caption: code page 936 in, the wide text on the window.
  WritePointer(kButton2, kType + 2, "\xD0\xDE\xB8\xC4");  // 修改
  EXPECT_EQ(ReadText(kButton2, kType + 2), "\xD0\xDE\xB8\xC4");
  wchar_t text[16] = {};
  GetWindowTextW(button, text, 16);
  EXPECT_STREQ(text, L"\u4FEE\u6539");
  // The picture is kept as given.
  const uint8_t picture[] = {'B', 'M', 1, 2, 3};
  void* picture_set = korvex::NewByteSet(picture, sizeof picture);
  WritePointer(kButton2, kType + 0, picture_set);
  korvex::Free(picture_set);
  EXPECT_EQ(ReadBytes(kButton2, kType + 0), std::vector<uint8_t>(picture, picture + 5));
  // A whole font description: the live font takes its face and height, with
  // the forced fields.
  korvex::forms::FontDescription font = korvex::forms::DefaultUiFont();
  font.height = -20;
  font.charset = 134;
  font.quality = 1;
  korvex::forms::SetFaceName(&font, "Tahoma");
  korvex::forms::ByteWriter out;
  korvex::forms::SerializeFont(font, &out);
  void* font_set = korvex::NewByteSet(out.bytes().data(), static_cast<int32_t>(out.bytes().size()));
  WritePointer(kButton2, kType + 5, font_set);
  korvex::Free(font_set);
  EXPECT_EQ(ReadBytes(kButton2, kType + 5), out.bytes());
  const LOGFONTW lf = LiveFont(kButton2);
  EXPECT_EQ(lf.lfHeight, -20);
  EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
  EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
  EXPECT_EQ(lf.lfQuality, 2);
}

TEST_F(WindowEventsTest, FontSubPropertiesReachTheLiveFont) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kEventsWindow));
  const int32_t font = kType + 7;  // the label's font
  auto old = reinterpret_cast<HFONT>(SendMessageW(UnitOf(kShownLabel), WM_GETFONT, 0, 0));
  Write(kShownLabel, font, 1, korvex::forms::kFontBold);
  // The replaced font object is freed (the stock font of a label without a
  // font of its own is not).
  Write(kShownLabel, font, 1, korvex::forms::kFontItalic);
  EXPECT_EQ(GetObjectType(old), static_cast<DWORD>(OBJ_FONT));
  auto bold_italic = reinterpret_cast<HFONT>(SendMessageW(UnitOf(kShownLabel), WM_GETFONT, 0, 0));
  Write(kShownLabel, font, 1, korvex::forms::kFontUnderline);
  EXPECT_EQ(GetObjectType(bold_italic), 0u);
  Write(kShownLabel, font, 1, korvex::forms::kFontStrikeOut);
  Write(kShownLabel, font, 900, korvex::forms::kFontAngle);
  Write(kShownLabel, font, 12, korvex::forms::kFontSize);
  WritePointer(kShownLabel, font, "Arial", korvex::forms::kFontFaceName);
  LOGFONTW lf = LiveFont(kShownLabel);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_TRUE(lf.lfItalic && lf.lfUnderline && lf.lfStrikeOut);
  EXPECT_EQ(lf.lfEscapement, 900);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(lf.lfHeight, -MulDiv(12, GetDeviceCaps(screen, LOGPIXELSY), 72));
  ReleaseDC(nullptr, screen);
  EXPECT_STREQ(lf.lfFaceName, L"Arial");
  EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
  for (int32_t sub : {korvex::forms::kFontBold, korvex::forms::kFontItalic,
                      korvex::forms::kFontUnderline, korvex::forms::kFontStrikeOut}) {
    EXPECT_EQ(Read(kShownLabel, font, sub).tag, korvex::tag::kBool);
    EXPECT_EQ(korvex::IntOf(Read(kShownLabel, font, sub)), 1) << sub;
  }
  EXPECT_EQ(korvex::IntOf(Read(kShownLabel, font, korvex::forms::kFontAngle)), 900);
  EXPECT_EQ(korvex::IntOf(Read(kShownLabel, font, korvex::forms::kFontSize)), 12);
  EXPECT_EQ(ReadText(kShownLabel, font, korvex::forms::kFontFaceName), "Arial");
  // A face name of 31 bytes is kept; one of 32 becomes "宋体".
  const std::string name31(31, 'F');
  WritePointer(kShownLabel, font, name31.c_str(), korvex::forms::kFontFaceName);
  EXPECT_EQ(ReadText(kShownLabel, font, korvex::forms::kFontFaceName), name31);
  EXPECT_EQ(LiveFont(kShownLabel).lfFaceName, std::wstring(31, L'F'));
  const std::string name32(32, 'F');
  WritePointer(kShownLabel, font, name32.c_str(), korvex::forms::kFontFaceName);
  EXPECT_EQ(ReadText(kShownLabel, font, korvex::forms::kFontFaceName), "\xCB\xCE\xCC\xE5");
  EXPECT_STREQ(LiveFont(kShownLabel).lfFaceName, L"\u5B8B\u4F53");
}

TEST_F(WindowEventsTest, LabelPropertiesRoundTrip) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kEventsWindow));
  // (property, written, read back): integers and colours, clamped where the
  // property has a range.
  const int32_t cases[][3] = {
      {1, 2, 2},        {1, 9, 3},       {2, 6, 6},       {3, 9, 9},        {3, 1, 5},
      {4, 0x10, 0x10},  {5, 0x20, 0x20}, {6, 0x30, 0x30}, {8, 0xFF, 0xFF},  {9, 0xFF00, 0xFF00},
      {11, 2, 2},       {12, 8, 8},      {12, 20, 8},     {13, 0x40, 0x40}, {14, 0x50, 0x50},
      {15, 0x60, 0x60}, {16, 2, 2},      {17, 5, 1},      {18, 0, 0},       {18, -3, 0}};
  for (const auto& c : cases) {
    Write(kShownLabel, kType + c[0], c[1]);
    EXPECT_EQ(korvex::IntOf(Read(kShownLabel, kType + c[0])), c[2]) << c[0] << " " << c[1];
  }
  EXPECT_EQ(Read(kShownLabel, kType + 17).tag, korvex::tag::kBool);
  for (int32_t text : {0, 19, 20}) {
    const std::string value = "text " + std::to_string(text);
    WritePointer(kShownLabel, kType + text, value.c_str());
    EXPECT_EQ(ReadText(kShownLabel, kType + text), value);
  }
  wchar_t caption[16] = {};
  GetWindowTextW(UnitOf(kShownLabel), caption, 16);
  EXPECT_STREQ(caption, L"text 0");
  const uint8_t picture[] = {'G', 'I', 'F'};
  void* picture_set = korvex::NewByteSet(picture, sizeof picture);
  WritePointer(kShownLabel, kType + 10, picture_set);
  korvex::Free(picture_set);
  EXPECT_EQ(ReadBytes(kShownLabel, kType + 10), std::vector<uint8_t>(picture, picture + 3));
}

TEST_F(WindowEventsTest, LabelPaintsItsCaptionAsSet) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kEventsWindow));
  HWND label = UnitOf(kShownLabel);
  Write(kShownLabel, kType + 9, 0x0000FF);  // background red (0x00BBGGRR)
  Write(kShownLabel, kType + 8, 0xFF0000);  // text blue
  Write(kShownLabel, kType + 16, 0);        // left
  Write(kShownLabel, kType + 18, 0);        // top
  const form_test::Pixels painted = form_test::Painted(label);
  EXPECT_EQ(painted.At(119, 39), 0xFF0000u);  // red as RGB
  const RECT left = painted.Box(0x0000FF);    // blue text
  ASSERT_GE(left.right, 0) << "no text painted";
  EXPECT_LT(left.left, 10);
  EXPECT_LT(left.bottom, 20);
  // Right and bottom alignment move the caption.
  Write(kShownLabel, kType + 16, 2);
  Write(kShownLabel, kType + 18, 2);
  const RECT right = form_test::Painted(label).Box(0x0000FF);
  EXPECT_GT(right.right, 110);
  EXPECT_GT(right.top, 20);
  // A bigger font paints bigger text.
  Write(kShownLabel, kType + 7, 20, korvex::forms::kFontSize);
  const RECT big = form_test::Painted(label).Box(0x0000FF);
  EXPECT_GT(big.bottom - big.top, right.bottom - right.top);
  // Word wrap breaks a caption too wide for one line.
  Write(kShownLabel, kType + 7, 9, korvex::forms::kFontSize);
  Write(kShownLabel, kType + 18, 0);
  WritePointer(kShownLabel, kType + 0, "MMMM MMMM MMMM MMMM");
  const RECT single = form_test::Painted(label).Box(0x0000FF);
  Write(kShownLabel, kType + 17, 1);
  const RECT wrapped = form_test::Painted(label).Box(0x0000FF);
  EXPECT_GT(wrapped.bottom - wrapped.top, single.bottom - single.top);
}

TEST_F(WindowEventsTest, UnknownPropertyNumberIsFatal) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kEventsWindow));
  const std::string expected =  // 指定的窗口组件属性不存在
      "\xD6\xB8\xB6\xA8\xB5\xC4\xB4\xB0\xBF\xDA\xD7\xE9\xBC\xFE\xCA\xF4\xD0\xD4\xB2\xBB"
      "\xB4\xE6\xD4\xDA";
  static std::string reported;
  const std::function<void()> cases[] = {
      [] { Read(kButton1, kType + 6); },          // a button has 0..5
      [] { Write(kShownLabel, kType + 21, 0); },  // a label has 0..20
      [] { Read(kShownLabel, kType + 7, 7); },    // font sub-properties 0..6
      [] { Read(kCompressor, kType); },           // no properties of its own
      [] { Write(kWindowUnit, kType, 0); }};
  for (const auto& access : cases) {
    reported.clear();
    korvex::ResetProgramEndForTesting();
    korvex::SetErrorHandler([](int32_t, const char* text) {
      reported = text ? text : "";
      return 1;
    });
    EXPECT_TRUE(korvex::testing::RunToEnd(access).ended());
    EXPECT_EQ(reported.compare(0, expected.size(), expected), 0) << reported;
  }
}

// A window that records where button 1 is when its message is handled.
int32_t g_left_seen = 0;
LRESULT CALLBACK LeftObserver(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_APP) {
    g_left_seen = korvex::IntOf(Read(kButton1, korvex::forms::kPropertyLeft));
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// A write first handles the messages waiting (so that it sees the window as
// they leave it), then what the write itself caused (so that its effects show
// at once).
TEST_F(WindowEventsTest, PropertyWritesHandleWaitingMessages) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kEventsWindow));
  WNDCLASSW cls{};
  cls.lpfnWndProc = &LeftObserver;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"KorvexLeftObserver";
  RegisterClassW(&cls);
  HWND observer = CreateWindowExW(0, cls.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  cls.hInstance, nullptr);
  ASSERT_TRUE(observer);
  Drain();
  // Waiting before the write: handled while button 1 is still at 10.
  PostMessageW(observer, WM_APP, 0, 0);
  Write(kButton1, korvex::forms::kPropertyLeft, 15);
  EXPECT_EQ(g_left_seen, 10);
  // Caused by the write: the label's new caption is painted before it returns.
  HWND label = UnitOf(kShownLabel);
  ASSERT_FALSE(GetUpdateRect(label, nullptr, FALSE));
  WritePointer(kShownLabel, kType + 0, "new caption");
  EXPECT_FALSE(GetUpdateRect(label, nullptr, FALSE));
  DestroyWindow(observer);
}

// Reading the mouse pointer and writing back what was read leaves every
// unit's pointer as it was, a cursor image from the template included.
TEST_F(WindowEventsTest, MousePointerWrittenBackAsReadStaysTheSame) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kEventsWindow));
  korvex::forms::WindowRecord* record = korvex::forms::Windows().Find(kEventsWindow);
  for (uint32_t unit : {kShownLabel, kButton3, kButton1}) {
    const int32_t index = record->FindUnit(unit);
    const std::vector<uint8_t> block(record->MousePointer(index).begin(),
                                     record->MousePointer(index).end());
    const uint32_t cursor = record->ReadField(index, korvex::forms::UnitField::kPointerSlot);
    const korvex::ArgRecord value = Read(unit, korvex::forms::kPropertyMousePointer);
    EXPECT_EQ(value.tag, korvex::tag::kInt) << std::hex << unit;
    korvex::Runtime().write_property(kEventsWindow, unit, korvex::forms::kPropertyMousePointer, -1,
                                     value.low, value.high);
    EXPECT_EQ(std::vector<uint8_t>(record->MousePointer(index).begin(),
                                   record->MousePointer(index).end()),
              block)
        << std::hex << unit;
    EXPECT_EQ(record->ReadField(index, korvex::forms::UnitField::kPointerSlot), cursor)
        << std::hex << unit;
  }
  // The image reads as kPointerImage; standard pointers read as their numbers.
  EXPECT_EQ(korvex::IntOf(Read(kShownLabel, korvex::forms::kPropertyMousePointer)),
            korvex::forms::kPointerImage);
  EXPECT_EQ(korvex::IntOf(Read(kButton3, korvex::forms::kPropertyMousePointer)), 2);
}

// Standard pointers by number and a cursor image from the template; the
// pointer slot holds the cursor, which shows over the unit; writes select a
// standard pointer; the window frees the cursor it made.
TEST_F(WindowEventsTest, MousePointersOfTheUnits) {
  ASSERT_TRUE(korvex::forms::LoadWindow(kEventsWindow));
  korvex::forms::WindowRecord* record = korvex::forms::Windows().Find(kEventsWindow);
  auto slot = [record](uint32_t unit) {
    return record->ReadField(record->FindUnit(unit), korvex::forms::UnitField::kPointerSlot);
  };
  auto shown_over = [](uint32_t unit) {
    SetCursor(nullptr);
    HWND window = UnitOf(unit);
    SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(GetCursor()));
  };
  auto handle_value = [](HCURSOR cursor) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(cursor));
  };
  const HCURSOR cross = LoadCursorW(nullptr, MAKEINTRESOURCEW(32515));
  EXPECT_EQ(slot(kButton3), handle_value(cross));
  EXPECT_EQ(shown_over(kButton3), handle_value(cross));
  EXPECT_EQ(korvex::IntOf(Read(kButton3, korvex::forms::kPropertyMousePointer)), 2);
  Write(kButton3, korvex::forms::kPropertyMousePointer, 11);  // wait
  const HCURSOR wait = LoadCursorW(nullptr, MAKEINTRESOURCEW(32514));
  EXPECT_EQ(slot(kButton3), handle_value(wait));
  EXPECT_EQ(shown_over(kButton3), handle_value(wait));
  EXPECT_EQ(korvex::IntOf(Read(kButton3, korvex::forms::kPropertyMousePointer)), 11);

  const uint32_t made = slot(kShownLabel);
  ASSERT_NE(made, 0u);
  auto* cursor = reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(made));
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(cursor, &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 5u);
  EXPECT_EQ(info.yHotspot, 7u);
  DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  EXPECT_EQ(shown_over(kShownLabel), made);
  SetCursor(nullptr);
  DestroyWindow(Find(kEventsWindow));
  EXPECT_FALSE(GetIconInfo(cursor, &info));
}

TEST_F(WindowEventsTest, WindowClassNamedByTheTemplate) {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32649));
  cls.lpszClassName = kTestClass;
  ASSERT_TRUE(RegisterClassExW(&cls) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
  ASSERT_TRUE(korvex::forms::LoadWindow(kNamedClassWindow));
  HWND window = Find(kNamedClassWindow);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  EXPECT_STREQ(name, kTestClass);
  // The window's events still reach the program.
  EXPECT_EQ(Log().front(), "window event 0");
  Log().clear();
  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(Log(),
            (Events{"window event 12", "window event 1", "window event 6", "window event 2"}));
  EXPECT_EQ(korvex::forms::FindForm(kNamedClassWindow), nullptr);

  // A class that does not exist fails the creation and leaves nothing.
  korvex::forms::WindowRecord* record = korvex::forms::Windows().Find(kMissingClassWindow);
  const std::vector<uint8_t> before(record->UnitBuffer().begin(), record->UnitBuffer().end());
  Log().clear();
  EXPECT_FALSE(korvex::forms::LoadWindow(kMissingClassWindow));
  EXPECT_EQ(korvex::forms::FindForm(kMissingClassWindow), nullptr);
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(std::vector<uint8_t>(record->UnitBuffer().begin(), record->UnitBuffer().end()), before);
}

}  // namespace
