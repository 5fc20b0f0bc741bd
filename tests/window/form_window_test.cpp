// The runtime and the form engine on the test program: start-up through the
// entry routine, the window built from the generated template, events reaching
// the routines bound there, property access and the fatal errors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "forms/events.h"
#include "forms/form_engine.h"
#include "forms/form_window.h"
#include "forms/properties.h"
#include "forms/template_loader.h"
#include "runtime/application.h"
#include "runtime/call_protocol.h"
#include "runtime/errors.h"
#include "runtime/program_image.h"
#include "runtime/unit_lookup.h"
#include "runtime/values.h"
#include "tests/support/program_end.h"
#include "tests/window/test_program.h"

extern "C" const uint8_t ConstantSegmentStart[];
extern "C" const uint32_t ConstantSegmentSize;
extern "C" const uint8_t WindowTemplateSegment[];
extern "C" const uint32_t WindowTemplateSegmentSize;

namespace {

using namespace test_program;
using korvex::App;
using korvex::Runtime;
using korvex::testing::RunToEnd;

std::string g_error_text;
int32_t CaptureError(int32_t, const char* text) {
  g_error_text = text ? text : "";
  return 1;  // no message box
}

// GBK texts of the fatal messages.
const std::string kStartupWindowFailed =
    "\xD4\xD8\xC8\xEB\xC6\xF4\xB6\xAF\xB4\xB0\xBF\xDA\xCA\xA7\xB0\xDC";  // 载入启动窗口失败
const std::string kNoEventWindow =
    "\xCE\xB4\xD5\xD2\xB5\xBD\xD2\xFD\xB7\xA2\xCA\xC2\xBC\xFE\xB5\xC4\xB4\xB0\xBF\xDA";
const std::string kNoEventUnit = kNoEventWindow + "\xD7\xE9\xBC\xFE";  // ...窗口组件
const std::string kWindowNotLoaded =  // 未载入欲访问窗口组件所在的窗口
    "\xCE\xB4\xD4\xD8\xC8\xEB\xD3\xFB\xB7\xC3\xCE\xCA\xB4\xB0\xBF\xDA\xD7\xE9\xBC\xFE\xCB\xF9"
    "\xD4\xDA\xB5\xC4\xB4\xB0\xBF\xDA";
const std::string kReadNotLoaded =  // 读取组件属性时发现指定窗口尚未载入
    "\xB6\xC1\xC8\xA1\xD7\xE9\xBC\xFE\xCA\xF4\xD0\xD4\xCA\xB1\xB7\xA2\xCF\xD6\xD6\xB8\xB6\xA8"
    "\xB4\xB0\xBF\xDA\xC9\xD0\xCE\xB4\xD4\xD8\xC8\xEB";
const std::string kWriteNotLoaded =  // 修改组件属性时发现指定窗口尚未载入
    "\xD0\xDE\xB8\xC4\xD7\xE9\xBC\xFE\xCA\xF4\xD0\xD4\xCA\xB1\xB7\xA2\xCF\xD6\xD6\xB8\xB6\xA8"
    "\xB4\xB0\xBF\xDA\xC9\xD0\xCE\xB4\xD4\xD8\xC8\xEB";
const std::string kUnitMissing =  // 指定窗口或窗口组件不存在或尚未载入
    "\xD6\xB8\xB6\xA8\xB4\xB0\xBF\xDA\xBB\xF2\xB4\xB0\xBF\xDA\xD7\xE9\xBC\xFE\xB2\xBB\xB4\xE6"
    "\xD4\xDA\xBB\xF2\xC9\xD0\xCE\xB4\xD4\xD8\xC8\xEB";

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

std::wstring WindowText(HWND window) {
  wchar_t buffer[256] = {};
  GetWindowTextW(window, buffer, 256);
  return buffer;
}

// The idle routine that drives a run: one step per idle period, each step
// followed by a message so that another idle period comes.
struct Steps {
  std::vector<std::function<void()>> steps;
  size_t next = 0;
};
void RunNextStep(void* parameter) {
  auto* s = static_cast<Steps*>(parameter);
  if (s->next >= s->steps.size()) return;
  s->steps[s->next++]();
  if (HWND main = UnitWindow(kWindowUnit)) PostMessageW(main, WM_NULL, 0, 0);
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    korvex::ResetProgramEndForTesting();
    korvex::SetErrorHandler(&CaptureError);
    korvex::testing::TrapProgramEnd();
    Log().clear();
    NotifyCalls().clear();
    entry_script = {};
    created_script = {};
    allow_close = 1;
    g_error_text.clear();
  }
  void TearDown() override {
    if (korvex::forms::FindForm(kWindowId)) CloseWindowAndDrainQuit();
  }

  static int32_t RunProgram() {
    return korvex::RunApplication(&ProgramInformationBlock, korvex::forms::FormEngine());
  }
  // Initialises the image once (the first run does it) and opens the window.
  static void OpenWindow() {
    entry_script = [] { Runtime().service(6, 0, 0, 0, 0); };
    RunProgram();
    entry_script = {};
    ASSERT_TRUE(korvex::forms::LoadWindow(kWindowId));
  }
  // Closing the last window after the loop has started posts a quit request,
  // which would end the next test's loop at once: take it out again.
  static void CloseWindowAndDrainQuit() {
    if (auto* form = korvex::forms::FindForm(kWindowId)) DestroyWindow(form->handle());
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  // A fatal error must not tear down the shared state of the other tests.
  static void KeepStateAcrossFatalErrors() { korvex::ProgramEndSteps() = korvex::EndSteps{}; }
};

TEST_F(ProgramTest, InformationBlockAsAssembled) {
  const korvex::ProgramInfoBlock& block = ProgramInformationBlock;
  EXPECT_EQ(block.program_kind, korvex::kProgramKindBuilt);
  EXPECT_EQ(block.reserved, 0u);
  EXPECT_EQ(block.build_number, korvex::kProgramBuildNumber);
  EXPECT_EQ(block.code_base, ProgramCode);
  EXPECT_EQ(block.constant_segment, ConstantSegmentStart);
  EXPECT_EQ(block.constant_segment_size, ConstantSegmentSize);
  EXPECT_GT(block.constant_segment_size, 0u);
  EXPECT_EQ(block.template_segment, WindowTemplateSegment);
  EXPECT_EQ(block.template_segment_size, WindowTemplateSegmentSize);
  EXPECT_EQ(block.template_segment_size, 16442u);  // the generated template
  EXPECT_EQ(block.library_count, korvex::kLibraryCount);
  EXPECT_EQ(block.library_table, ProgramLibraryTable);
  EXPECT_EQ(block.declared_count, kDeclaredFunctionCount);
  EXPECT_EQ(block.declared_module_names, DeclaredModuleNames);
  EXPECT_EQ(block.declared_function_names, DeclaredFunctionNames);
}

TEST_F(ProgramTest, InformationBlockLayout) {
  // Field offsets in units of the field width of this build: words on the
  // 32-bit target, and aligned pointer-wide addresses on a 64-bit build.
  using B = korvex::ProgramInfoBlock;
  constexpr bool k32 = sizeof(void*) == 4;
  const size_t expected[13] = {0,
                               4,
                               8,
                               k32 ? 12u : 16u,
                               k32 ? 16u : 24u,
                               k32 ? 20u : 32u,
                               k32 ? 24u : 40u,
                               k32 ? 28u : 48u,
                               k32 ? 32u : 52u,
                               k32 ? 36u : 56u,
                               k32 ? 40u : 64u,
                               k32 ? 44u : 72u,
                               k32 ? 48u : 80u};
  const size_t actual[13] = {
      offsetof(B, program_kind),           offsetof(B, reserved),
      offsetof(B, build_number),           offsetof(B, code_base),
      offsetof(B, constant_segment),       offsetof(B, constant_segment_size),
      offsetof(B, template_segment),       offsetof(B, template_segment_size),
      offsetof(B, library_count),          offsetof(B, library_table),
      offsetof(B, declared_count),         offsetof(B, declared_module_names),
      offsetof(B, declared_function_names)};
  for (int i = 0; i < 13; ++i) EXPECT_EQ(actual[i], expected[i]) << "field " << i + 1;
  EXPECT_EQ(sizeof(B), k32 ? 52u : 88u);
  if (k32) {
    EXPECT_EQ(sizeof(korvex::LibraryRecord), 144u);
  }
  EXPECT_EQ(sizeof(korvex::forms::EventRecord), 44u);
  EXPECT_EQ(offsetof(korvex::forms::EventRecord, args), 16u);
  EXPECT_EQ(offsetof(korvex::forms::EventRecord, has_result), 36u);
}

// The whole life of the program: the entry routine initialises the image,
// loads the start-up window and runs the loop; events reach the routines the
// template binds; closing the window ends the loop.
TEST_F(ProgramTest, EntryRunsTheWindowUntilItCloses) {
  Steps steps;
  HWND main = nullptr;
  entry_script = [&] {
    Runtime().service(6, 0, 0, 0, 0);
    // Service 6: the image's values, the libraries, the templates.
    EXPECT_EQ(App().program_kind, 3u);
    EXPECT_EQ(App().build_number, 144198u);
    EXPECT_EQ(App().heap, GetProcessHeap());
    EXPECT_EQ(App().main_thread_id, GetCurrentThreadId());
    EXPECT_EQ(App().constant_start, ConstantSegmentStart);
    EXPECT_EQ(App().constant_end, ConstantSegmentStart + ConstantSegmentSize);
    EXPECT_TRUE(korvex::IsInConstantSegment(ConstantSegmentStart));
    EXPECT_TRUE(App().ole_initialized);
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    EXPECT_EQ(App().module_directory + "\\" + App().module_file_name, module);
    EXPECT_EQ(App().program_directory, App().module_directory + "\\");
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_STRCASEEQ(current, App().module_directory.c_str());
    // The hidden owner window.
    HWND owner = App().hidden_owner;
    ASSERT_TRUE(IsWindow(owner));
    wchar_t cls[64] = {};
    GetClassNameW(owner, cls, 64);
    EXPECT_STREQ(cls, L"_EL_HideOwner");
    EXPECT_TRUE(GetWindowLongW(owner, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(IsWindowVisible(owner));
    EXPECT_EQ(WindowText(owner), L"");
    // Libraries with a notify routine got code 1 and the service callback.
    ASSERT_EQ(NotifyCalls().size(), 4u);
    const int32_t notified[4] = {0, 2, 3, 4};
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(NotifyCalls()[i].library, notified[i]);
      EXPECT_EQ(NotifyCalls()[i].code, 1);
      EXPECT_EQ(NotifyCalls()[i].p1, reinterpret_cast<intptr_t>(&korvex::RuntimeService));
      EXPECT_EQ(NotifyCalls()[i].p2, 0);
    }
    EXPECT_EQ(korvex::LibraryTableCount(), korvex::kLibraryCount);
    EXPECT_EQ(korvex::LibraryAt(3), ProgramLibraryTable[3]);
    // The template is loaded and its handlers relocated against the code base.
    korvex::forms::WindowRecord* record = korvex::forms::Windows().Find(kWindowId);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->Handler(0, 0), reinterpret_cast<uintptr_t>(ProgramCode) + 0x45B);
    EXPECT_EQ(record->Handler(0, 1), reinterpret_cast<uintptr_t>(ProgramCode) + 0x1F0A);

    Runtime().load_startup_window(kWindowId);
    Log().push_back("loaded");
    Runtime().run();
    Log().push_back("loop ended");
  };
  created_script = [&] {
    main = UnitWindow(kWindowUnit);
    korvex::AddIdleRoutine(main, &RunNextStep, &steps);
  };
  steps.steps = {
      [&] {
        // A click on "一键安装" through the platform's own button.
        SendMessageW(UnitWindow(kButton1), BM_CLICK, 0, 0);
        // "手动安装" through its reflected notification.
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED),
                     reinterpret_cast<LPARAM>(UnitWindow(kButton3)));
      },
      [&] {
        // Disabled through the property entry: no click reaches the routine.
        Runtime().write_property(kWindowId, kButton2, korvex::forms::kPropertyDisabled, -1, 1, 0);
        HWND button2 = UnitWindow(kButton2);
        EXPECT_FALSE(IsWindowEnabled(button2));
        SendMessageW(button2, BM_CLICK, 0, 0);
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(2, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button2));
        Log().push_back("disabled clicks done");
        Runtime().write_property(kWindowId, kButton2, korvex::forms::kPropertyDisabled, -1, 0, 0);
        EXPECT_TRUE(IsWindowEnabled(button2));
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(2, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button2));
      },
      [&] {
        // The hidden label still gets the hot-key notification.
        HWND label = UnitWindow(kLabel);
        EXPECT_FALSE(IsWindowVisible(label));
        const LRESULT result = SendMessageW(label, korvex::forms::kHotKeyNotifyMessage, 33001, 0);
        EXPECT_EQ(result, 0x1000 + 33001);
      },
      [&] {
        allow_close = 0;  // the close query refuses
        PostMessageW(main, WM_CLOSE, 0, 0);
      },
      [&] {
        EXPECT_TRUE(IsWindow(main));
        Log().push_back("still open");
        EXPECT_EQ(SendMessageW(main, WM_QUERYENDSESSION, 0, 0), 0);
        allow_close = 1;
        PostMessageW(main, WM_CLOSE, 0, 0);
      },
  };

  EXPECT_EQ(RunProgram(), 0);
  const std::vector<std::string> expected = {"entry",      "created",        "loaded",
                                             "button1",    "button3",        "disabled clicks done",
                                             "button2",    "hotkey 33001 0", "close-query",
                                             "still open", "close-query",    "close-query",
                                             "loop ended"};
  EXPECT_EQ(Log(), expected);
  EXPECT_EQ(steps.next, steps.steps.size());
  EXPECT_FALSE(IsWindow(main));
  EXPECT_EQ(korvex::forms::FindForm(kWindowId), nullptr);
  // The quit request has been taken by the loop.
  MSG message;
  EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(ProgramTest, WindowBuiltFromTheTemplate) {
  OpenWindow();
  HWND main = UnitWindow(kWindowUnit);
  ASSERT_TRUE(IsWindow(main));
  wchar_t cls[64] = {};
  GetClassNameW(main, cls, 64);
  EXPECT_STREQ(cls, L"WTWindow");
  EXPECT_EQ(GetClassLongW(main, GCL_STYLE), 11u);
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_EQ(GetWindow(main, GW_OWNER), App().hidden_owner);
  const LONG style = GetWindowLongW(main, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_FALSE(style & WS_THICKFRAME);  // border 2: fixed
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  RECT outer;
  GetWindowRect(main, &outer);
  EXPECT_EQ(outer.left, 50);
  EXPECT_EQ(outer.top, 50);
  EXPECT_EQ(outer.right - outer.left, 350);
  EXPECT_EQ(outer.bottom - outer.top, 85);
  EXPECT_NE(SendMessageW(main, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(main, WM_GETICON, ICON_SMALL, 0), 0);

  struct Expected {
    uint32_t unit;
    int left, top, width, height;
    const wchar_t* caption;
  };
  const Expected buttons[] = {{kButton3, 120, 13, 100, 30, L"\u624B\u52A8\u5B89\u88C5"},
                              {kButton2, 230, 13, 100, 30, L"\u4E00\u952E\u5378\u8F7D"},
                              {kButton1, 10, 13, 100, 30, L"\u4E00\u952E\u5B89\u88C5"}};
  for (const Expected& e : buttons) {
    SCOPED_TRACE(e.unit);
    HWND button = UnitWindow(e.unit);
    ASSERT_TRUE(IsWindow(button));
    GetClassNameW(button, cls, 64);
    EXPECT_EQ(_wcsicmp(cls, L"Button"), 0);
    EXPECT_EQ(GetParent(button), main);
    RECT r;
    GetWindowRect(button, &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, e.left);
    EXPECT_EQ(r.top, e.top);
    EXPECT_EQ(r.right - r.left, e.width);
    EXPECT_EQ(r.bottom - r.top, e.height);
    EXPECT_TRUE(IsWindowVisible(button));
    const LONG s = GetWindowLongW(button, GWL_STYLE);
    EXPECT_EQ(s & 0x0F, BS_PUSHBUTTON);
    EXPECT_EQ(s & (BS_CENTER | BS_VCENTER), BS_CENTER | BS_VCENTER);
    EXPECT_TRUE(s & WS_TABSTOP);
    EXPECT_EQ(WindowText(button), e.caption);
    // The font of the description, with the forced attributes.
    auto font = reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW lf{};
    ASSERT_EQ(GetObjectW(font, sizeof lf, &lf), static_cast<int>(sizeof lf));
    EXPECT_EQ(lf.lfHeight, -12);
    EXPECT_EQ(lf.lfWeight, 400);
    EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(lf.lfOutPrecision, 0);
    EXPECT_EQ(lf.lfClipPrecision, 0);
    EXPECT_EQ(lf.lfQuality, 2);
    EXPECT_EQ(lf.lfPitchAndFamily, 0);
    EXPECT_STREQ(lf.lfFaceName, L"\u5FAE\u8F6F\u96C5\u9ED1");  // 微软雅黑
  }
  HWND label = UnitWindow(kLabel);
  ASSERT_TRUE(IsWindow(label));
  GetClassNameW(label, cls, 64);
  EXPECT_STREQ(cls, L"_EL_Label");
  EXPECT_FALSE(IsWindowVisible(label));
  RECT r;
  GetWindowRect(label, &r);
  MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, -2);
  EXPECT_EQ(r.top, 24);
  EXPECT_EQ(r.right - r.left, 15);
  // The compression unit has a live object but no window.
  auto* form = korvex::forms::FindForm(kWindowId);
  const int32_t compressor = form->record().FindUnit(kCompressor);
  EXPECT_NE(form->UnitAt(compressor), nullptr);
  EXPECT_EQ(form->UnitHandle(compressor), nullptr);
  EXPECT_NE(form->record().ReadField(compressor, korvex::forms::UnitField::kObjectSlot), 0u);
}

// Run once with the system code page 936 and once with 1252 (CTest sets the
// locale and KORVEX_EXPECT_ACP).
TEST_F(ProgramTest, CaptionsReadBackOnTheSystemCodePage) {
  if (const char* acp = std::getenv("KORVEX_EXPECT_ACP")) {
    EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(acp)));
  }
  OpenWindow();
  EXPECT_EQ(WindowText(UnitWindow(kWindowUnit)), L"Korvex 5.6.1.10516");
  EXPECT_EQ(WindowText(UnitWindow(kButton1)), L"\u4E00\u952E\u5B89\u88C5");  // 一键安装
  EXPECT_EQ(WindowText(UnitWindow(kButton3)), L"\u624B\u52A8\u5B89\u88C5");  // 手动安装
  EXPECT_EQ(WindowText(UnitWindow(kButton2)), L"\u4E00\u952E\u5378\u8F7D");  // 一键卸载
  // A caption written as code page 936 bytes reads back as the same bytes.
  const char kCaption[] = "\xD0\xDE\xB8\xC4";  // 修改
  Runtime().write_property(
      kWindowId, kButton1, korvex::forms::kFirstUnitTypeProperty + 2, -1,
      static_cast<uint32_t>(reinterpret_cast<uintptr_t>(kCaption)),
      static_cast<uint32_t>(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(kCaption)) >> 32));
  EXPECT_EQ(WindowText(UnitWindow(kButton1)), L"\u4FEE\u6539");
  korvex::ArgRecord value =
      Runtime().read_property(kWindowId, kButton1, korvex::forms::kFirstUnitTypeProperty + 2, -1);
  char* text = korvex::PointerOf<char>(value);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, kCaption);
  korvex::Free(text);
}

TEST_F(ProgramTest, CommonPropertiesWriteThroughAndReadBack) {
  OpenWindow();
  auto write = [](uint32_t unit, int32_t property, int32_t value) {
    Runtime().write_property(kWindowId, unit, property, -1, static_cast<uint32_t>(value), 0);
  };
  auto read = [](uint32_t unit, int32_t property) {
    return korvex::IntOf(Runtime().read_property(kWindowId, unit, property, -1));
  };
  using namespace korvex::forms;
  EXPECT_EQ(read(kButton1, kPropertyLeft), 10);
  write(kButton1, kPropertyLeft, 40000);
  EXPECT_EQ(read(kButton1, kPropertyLeft), 32627);
  write(kButton1, kPropertyLeft, -40000);
  EXPECT_EQ(read(kButton1, kPropertyLeft), -32627);
  write(kButton1, kPropertyTop, 32628);
  EXPECT_EQ(read(kButton1, kPropertyTop), 32627);
  write(kButton1, kPropertyLeft, 20);
  write(kButton1, kPropertyTop, 40);
  write(kButton1, kPropertyWidth, 120);
  write(kButton1, kPropertyHeight, 25);
  EXPECT_EQ(read(kButton1, kPropertyWidth), 120);
  EXPECT_EQ(read(kButton1, kPropertyHeight), 25);
  RECT r;
  GetWindowRect(UnitWindow(kButton1), &r);
  MapWindowPoints(nullptr, UnitWindow(kWindowUnit), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 20);
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(r.right - r.left, 120);
  EXPECT_EQ(r.bottom - r.top, 25);

  write(kButton3, kPropertyVisible, 0);
  EXPECT_EQ(read(kButton3, kPropertyVisible), 0);
  EXPECT_FALSE(IsWindowVisible(UnitWindow(kButton3)));
  write(kLabel, kPropertyVisible, 1);
  EXPECT_EQ(read(kLabel, kPropertyVisible), 1);
  EXPECT_TRUE(IsWindowVisible(UnitWindow(kLabel)));
  write(kButton2, kPropertyDisabled, 1);
  EXPECT_EQ(read(kButton2, kPropertyDisabled), 1);
  EXPECT_FALSE(IsWindowEnabled(UnitWindow(kButton2)));
  write(kButton2, kPropertyMousePointer, 16);
  EXPECT_EQ(read(kButton2, kPropertyMousePointer), 16);

  // The tag replaces bytes in the record; every later unit stays intact.
  const char kTag[] = "a longer tag text";
  Runtime().write_property(
      kWindowId, kButton3, kPropertyTag, -1,
      static_cast<uint32_t>(reinterpret_cast<uintptr_t>(kTag)),
      static_cast<uint32_t>(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(kTag)) >> 32));
  korvex::ArgRecord tag = Runtime().read_property(kWindowId, kButton3, kPropertyTag, -1);
  ASSERT_NE(korvex::PointerOf<char>(tag), nullptr);
  EXPECT_STREQ(korvex::PointerOf<char>(tag), kTag);
  korvex::Free(korvex::PointerOf<char>(tag));
  EXPECT_EQ(read(kButton1, kPropertyLeft), 20);
  EXPECT_EQ(read(kButton2, kPropertyDisabled), 1);

  // Closing the window drops every change: the saved unit buffer returns.
  korvex::forms::WindowRecord* record = korvex::forms::Windows().Find(kWindowId);
  CloseWindowAndDrainQuit();
  const int32_t button1 = record->FindUnit(kButton1);
  EXPECT_EQ(record->ReadField(button1, UnitField::kLeft), 10u);
  EXPECT_EQ(record->ReadField(button1, UnitField::kWidth), 100u);
  EXPECT_EQ(record->Tag(record->FindUnit(kButton3)), "");
  EXPECT_EQ(record->ReadField(button1, UnitField::kObjectSlot), 0u);
}

TEST_F(ProgramTest, UnknownStartupWindowEndsTheProgram) {
  OpenWindow();
  CloseWindowAndDrainQuit();
  KeepStateAcrossFatalErrors();
  ASSERT_EQ(RunToEnd([] { Runtime().load_startup_window(0x52010009); }),
            korvex::testing::Ended(0xFFFFFFFFu))
      << "the program did not end";
  EXPECT_TRUE(StartsWith(g_error_text, kStartupWindowFailed)) << g_error_text;
  // The location names the window id and line 0, and the window is unknown.
  EXPECT_NE(g_error_text.find(std::to_string(0x52010009u) + ", 0"), std::string::npos);
}

TEST_F(ProgramTest, EventDispatchErrorsAreFatal) {
  OpenWindow();
  KeepStateAcrossFatalErrors();
  struct Case {
    uint32_t window, unit;
    const std::string* message;
  };
  const Case cases[] = {{0x52010077, kWindowUnit, &kNoEventWindow},
                        {kWindowId, 0x16010999, &kNoEventUnit}};
  for (const Case& c : cases) {
    g_error_text.clear();
    korvex::ResetProgramEndForTesting();
    korvex::SetErrorHandler(&CaptureError);
    korvex::forms::EventRecord record;
    record.window_id = c.window;
    record.unit_id = c.unit;
    EXPECT_TRUE(RunToEnd([&] { korvex::forms::RaiseEvent(record); }).ended());
    EXPECT_TRUE(StartsWith(g_error_text, *c.message)) << g_error_text;
  }
}

TEST_F(ProgramTest, EventsWithoutHandlerOrWhileBlockedCallNothing) {
  OpenWindow();
  // The compression unit binds no event; the window binds no event 2.
  korvex::forms::EventRecord record;
  record.window_id = kWindowId;
  record.unit_id = kCompressor;
  korvex::forms::RaiseEvent(record);
  EXPECT_EQ(record.has_result, 0);
  record.unit_id = kWindowUnit;
  record.event = 2;
  korvex::forms::RaiseEvent(record);
  EXPECT_EQ(record.has_result, 0);
  // With arguments: the hot-key routine removes its two arguments itself.
  record.unit_id = kLabel;
  record.event = 0;
  record.arg_count = 2;
  record.args[0] = 33002;
  korvex::forms::RaiseEvent(record);
  EXPECT_EQ(record.has_result, 1);
  EXPECT_EQ(record.result, 0x1000 + 33002);
  // Blocked events reach nothing.
  Log().clear();
  korvex::BlockEvents();
  SendMessageW(UnitWindow(kWindowUnit), WM_COMMAND, MAKEWPARAM(1, BN_CLICKED),
               reinterpret_cast<LPARAM>(UnitWindow(kButton1)));
  EXPECT_EQ(SendMessageW(UnitWindow(kLabel), korvex::forms::kHotKeyNotifyMessage, 33001, 0), 0);
  EXPECT_TRUE(Log().empty());
}

TEST_F(ProgramTest, PropertyAccessErrorsAreFatal) {
  OpenWindow();
  KeepStateAcrossFatalErrors();
  auto expect_fatal = [](const std::function<void()>& access, const std::string& message) {
    g_error_text.clear();
    korvex::ResetProgramEndForTesting();
    korvex::SetErrorHandler(&CaptureError);
    EXPECT_TRUE(RunToEnd(access).ended());
    EXPECT_TRUE(StartsWith(g_error_text, message)) << g_error_text;
  };
  expect_fatal([] { Runtime().read_property(0x52010077, kButton1, 0, -1); }, kWindowNotLoaded);
  expect_fatal([] { Runtime().read_property(kWindowId, 0x16010999, 0, -1); }, kUnitMissing);
  // The unit lookup of the commands answers from the open window.
  void* handle = nullptr;
  ASSERT_NE(korvex::UnitWindowLookupSlot(), nullptr);
  EXPECT_TRUE(korvex::UnitWindowLookupSlot()(kWindowId, kLabel, &handle));
  EXPECT_EQ(handle, UnitWindow(kLabel));
  EXPECT_FALSE(korvex::UnitWindowLookupSlot()(kWindowId, 0x16010999, &handle));
  CloseWindowAndDrainQuit();
  EXPECT_FALSE(korvex::UnitWindowLookupSlot()(kWindowId, kLabel, &handle));
  expect_fatal([] { Runtime().read_property(kWindowId, kButton1, 0, -1); }, kReadNotLoaded);
  expect_fatal([] { Runtime().write_property(kWindowId, kButton1, 0, -1, 5, 0); }, kWriteNotLoaded);
}

}  // namespace
