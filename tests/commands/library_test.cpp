// The library records, DelayCmd with the runtime's message service, and
// window handles through the unit lookup.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "commands/command_ids.h"
#include "commands/commands.h"
#include "commands/library_services.h"
#include "runtime/errors.h"
#include "runtime/unit_lookup.h"
#include "tests/commands/win_test_util.h"
#include "tests/support/runtime_pump.h"

namespace korvex {
namespace {

using test::Call;

// --- Library records -----------------------------------------------------------

std::wstring Wide936(const char* text) {
  wchar_t wide[128] = {};
  ::MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text, -1, wide, 128);
  return wide;
}

TEST(LibraryRecords, TableOrderNamesAndIdentity) {
  struct Expected {
    const LibraryRecord* record;
    const wchar_t* name;
    const char* identifier;
    uint32_t flags;
    int32_t types;
    int32_t commands;
  } expected[] = {
      {&kCoreLibraryRecord, L"系统核心支持库", "d09f2340818511d396f6aaf844c7e325", 0xC0000001u, 51,
       16},
      {&kCompressionLibraryRecord, L"压缩解压支持库", "7B68736E818E41c5A28B0AE4D43C128C", 0, 1, 0},
      {&kSpecialFunctionsLibraryRecord, L"特殊功能支持库", "A512548E76954B6E92C21055517615B0",
       0xC0000000u, 0, 1},
      {&kSystemInterfaceLibraryRecord, L"操作系统界面功能支持库",
       "52F260023059454187AF826A3C07AF2A", 0, 0, 2},
      {&kExtensionOneLibraryRecord, L"扩展功能支持库一", "DA19AC3ADD2F4121AAD84AC5FBCAFC71", 0, 0,
       2},
  };
  for (int i = 0; i < kLibraryCount; ++i) {
    const Expected& e = expected[i];
    const LibraryRecord& r = *e.record;
    EXPECT_EQ(ProgramLibraryTable[i], e.record) << i;
    EXPECT_EQ(r.format_mark, 20000101u);
    EXPECT_STREQ(r.identifier, e.identifier);
    // The names are code page 936 bytes.
    EXPECT_EQ(Wide936(r.name), e.name) << i;
    EXPECT_EQ(r.language, 1);
    EXPECT_EQ(r.state_flags, e.flags) << i;
    EXPECT_EQ(r.data_type_count, e.types) << i;
    EXPECT_EQ(r.data_types != nullptr, e.types > 0) << i;
    EXPECT_EQ(r.command_count, e.commands) << i;
    for (int32_t c = 0; c < r.command_count; ++c) EXPECT_NE(r.command_entries[c], nullptr);
    EXPECT_NE(r.notify, nullptr);
  }
  EXPECT_EQ(kCoreLibraryRecord.version_major, 5);
  EXPECT_EQ(kCoreLibraryRecord.version_minor, 7);
  EXPECT_EQ(kCoreLibraryRecord.version_build, 64);
  EXPECT_EQ(kCoreLibraryRecord.required_system_major, 3);
  EXPECT_EQ(kCoreLibraryRecord.required_system_minor, 7);
  EXPECT_EQ(kCoreLibraryRecord.required_core_major, 3);
  EXPECT_EQ(kCoreLibraryRecord.required_core_minor, 7);
}

TEST(LibraryRecords, CommandsSitInTheirPositions) {
  const CommandEntry* core = kCoreLibraryRecord.command_entries;
  EXPECT_EQ(core[kRunCmd], &RunCmd);
  EXPECT_EQ(core[kCommandLineArgsCmd], &CommandLineArgsCmd);
  EXPECT_EQ(core[kWriteFileCmd], &WriteFileCmd);
  EXPECT_EQ(core[kRemoveFolderCmd], &RemoveFolderCmd);
  EXPECT_EQ(core[kDeleteRegistryItemCmd], &DeleteRegistryItemCmd);
  EXPECT_EQ(core[kGetByteSetDataCmd], &GetByteSetDataCmd);
  EXPECT_EQ(core[kBitOrCmd], &BitOrCmd);
  EXPECT_EQ(core[kGetWindowHandleCmd], &GetWindowHandleCmd);
  EXPECT_EQ(kWriteHeldFileCmd, 15);
  EXPECT_EQ(core[kWriteHeldFileCmd], &WriteHeldFileCmd);
  EXPECT_EQ(kSpecialFunctionsLibraryRecord.command_entries[kDelayCmd], &DelayCmd);
  EXPECT_EQ(kSystemInterfaceLibraryRecord.command_entries[kSpecialFolderCmd], &SpecialFolderCmd);
  EXPECT_EQ(kSystemInterfaceLibraryRecord.command_entries[kShellOpenCmd], &ShellOpenCmd);
  EXPECT_EQ(kExtensionOneLibraryRecord.command_entries[kRegisterHotKeyCmd], &RegisterHotKeyCmd);
  EXPECT_EQ(kExtensionOneLibraryRecord.command_entries[kUnregisterHotKeyCmd], &UnregisterHotKeyCmd);
}

// Every row of the command list: its id names its own entry in its library's
// table, and each library has as many commands as it has rows.
TEST(LibraryRecords, EveryListedCommandSitsAtItsIdInItsLibrary) {
  struct Listed {
    const LibraryRecord* record;
    int32_t id;
    CommandEntry entry;
    const char* name;
  };
  const Listed listed[] = {
#define CORE_COMMAND(name) {&kCoreLibraryRecord, k##name, &name, #name},
#define SPECIAL_FUNCTIONS_COMMAND(name) {&kSpecialFunctionsLibraryRecord, k##name, &name, #name},
#define SYSTEM_INTERFACE_COMMAND(name) {&kSystemInterfaceLibraryRecord, k##name, &name, #name},
#define EXTENSION_ONE_COMMAND(name) {&kExtensionOneLibraryRecord, k##name, &name, #name},
#include "commands/commands.def"
  };
  int32_t rows[kLibraryCount] = {};
  for (const Listed& c : listed) {
    const auto at = std::find(ProgramLibraryTable, ProgramLibraryTable + kLibraryCount, c.record);
    ASSERT_NE(at, ProgramLibraryTable + kLibraryCount) << c.name;
    ++rows[at - ProgramLibraryTable];
    ASSERT_LT(c.id, c.record->command_count) << c.name;
    EXPECT_EQ(c.record->command_entries[c.id], c.entry) << c.name;
  }
  for (int32_t i = 0; i < kLibraryCount; ++i) {
    EXPECT_EQ(ProgramLibraryTable[i]->command_count, rows[i]) << i;
  }
}

intptr_t NoService(int32_t, intptr_t, intptr_t) {
  return 0;
}

TEST(LibraryRecords, NotifyKeepsTheServiceUntilTheEnd) {
  for (int i = 0; i < kLibraryCount; ++i) {
    const LibraryRecord& r = *ProgramLibraryTable[i];
    EXPECT_EQ(r.notify(kNotifyStart, reinterpret_cast<intptr_t>(&NoService), 0), 0);
    EXPECT_EQ(LibraryServiceCallback(i), &NoService);
    r.notify(kNotifyEnd, 0, 0);
    EXPECT_EQ(LibraryServiceCallback(i), nullptr);
  }
  EXPECT_EQ(LibraryServiceCallback(-1), nullptr);
  EXPECT_EQ(LibraryServiceCallback(kLibraryCount), nullptr);
}

// --- DelayCmd --------------------------------------------------------------------

std::vector<UINT> g_dispatched;
DWORD g_late_post_dispatched_at = 0;  // tick count when WM_APP + 2 was dispatched

LRESULT CALLBACK RecordingProcedure(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_APP || m == WM_TIMER) g_dispatched.push_back(m);
  if (m == WM_APP + 2) g_late_post_dispatched_at = ::GetTickCount();
  if (m == WM_APP && wp == 1) {
    // An event running inside the wait may wait itself.
    ArgRecord ms = MakeInt(50);
    DelayCmd(nullptr, 1, &ms);
    g_dispatched.push_back(WM_APP + 1);
  }
  return ::DefWindowProcA(w, m, wp, lp);
}

class Delay : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecordingProcedure;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "KorvexDelayTest";
    ::RegisterClassA(&wc);
    window_ = ::CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 50, 50, nullptr,
                                nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    MSG m;
    while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&m);
    g_dispatched.clear();
  }
  void TearDown() override { ::DestroyWindow(window_); }
  static void Wait(int32_t ms) { Call(DelayCmd, {MakeInt(ms)}); }
  testing::ServedLibrary served_{kSpecialFunctionsLibraryRecord};
  HWND window_ = nullptr;
};

TEST_F(Delay, DispatchesMessagesUntilTheDeadline) {
  ::PostMessageA(window_, WM_APP, 0, 0);
  ::SetTimer(window_, 1, 20, nullptr);
  const DWORD start = ::GetTickCount();
  Wait(300);
  const DWORD elapsed = ::GetTickCount() - start;
  ::KillTimer(window_, 1);
  EXPECT_GE(elapsed, 300u);
  EXPECT_GT(testing::ServedLibrary::PumpRequests(), 0);
  ASSERT_FALSE(g_dispatched.empty());
  EXPECT_EQ(g_dispatched[0], static_cast<UINT>(WM_APP));
  int timers = 0;
  for (UINT m : g_dispatched) timers += m == WM_TIMER;
  EXPECT_GE(timers, 2);  // the timer kept firing during the wait
}

TEST_F(Delay, EventsRunNestedInsideTheWait) {
  ::PostMessageA(window_, WM_APP, 1, 0);
  Wait(100);
  EXPECT_EQ(g_dispatched, (std::vector<UINT>{WM_APP, WM_APP + 1}));
}

TEST_F(Delay, ZeroOrNegativeReturnsWithoutDispatching) {
  ::PostMessageA(window_, WM_APP, 0, 0);
  Wait(0);
  Wait(-5);
  Wait(INT32_MIN);
  EXPECT_EQ(testing::ServedLibrary::PumpRequests(), 0);
  EXPECT_TRUE(g_dispatched.empty());
  MSG m;
  EXPECT_TRUE(::PeekMessageA(&m, window_, WM_APP, WM_APP, PM_REMOVE));
}

TEST_F(Delay, AQuitMessageStaysQueuedAndDoesNotShortenTheWait) {
  ::PostQuitMessage(7);
  const DWORD start = ::GetTickCount();
  Wait(200);
  EXPECT_GE(::GetTickCount() - start, 200u);
  MSG m;
  ASSERT_TRUE(::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 7u);
}

struct LatePost {
  HWND window;
  DWORD at;  // tick count when it was posted
};

DWORD WINAPI PostLate(void* p) {
  auto* post = static_cast<LatePost*>(p);
  ::Sleep(100);
  post->at = ::GetTickCount();
  ::PostMessageA(post->window, WM_APP + 2, 0, 0);
  return 0;
}

TEST_F(Delay, BehindAQuitMessageMessagesPostedLaterAreDispatchedAtOnce) {
  ::PostQuitMessage(7);
  // Another thread posts to the window while the wait runs.
  LatePost post = {window_, 0};
  HANDLE poster = ::CreateThread(nullptr, 0, PostLate, &post, 0, nullptr);
  ASSERT_NE(poster, nullptr);
  g_late_post_dispatched_at = 0;
  Wait(2000);
  ::WaitForSingleObject(poster, INFINITE);
  ::CloseHandle(poster);
  ASSERT_NE(g_late_post_dispatched_at, 0u);
  // Dispatched while the wait went on, not at its end.
  EXPECT_LT(g_late_post_dispatched_at - post.at, 1000u);
  MSG m;
  ASSERT_TRUE(::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
}

bool g_quit_posted = false;
// Posts a quit message while the pump looks at the head of the queue, once.
// The look has already chosen the timer message there; the quit comes
// before it when the pump then takes a message.
LRESULT CALLBACK QuitDuringALook(int code, WPARAM remove, LPARAM message) {
  if (code == HC_ACTION && remove == PM_NOREMOVE && !g_quit_posted) {
    g_quit_posted = true;
    ::PostQuitMessage(9);
  }
  return ::CallNextHookEx(nullptr, code, remove, message);
}

TEST_F(Delay, AQuitArrivingWhileThePumpTakesAMessageStaysQueued) {
  ::SetTimer(window_, 1, 1, nullptr);
  ::Sleep(20);  // the timer is due: its message is all the queue holds
  g_quit_posted = false;
  HHOOK hook = ::SetWindowsHookExA(WH_GETMESSAGE, QuitDuringALook, nullptr, ::GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  Wait(100);
  ::UnhookWindowsHookEx(hook);
  ::KillTimer(window_, 1);
  ASSERT_TRUE(g_quit_posted);
  MSG m;
  ASSERT_TRUE(::PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(m.wParam, 9u);
}

// --- GetWindowHandleCmd ---------------------------------------------------------

constexpr uint32_t kWindowId = 0x52010001;
constexpr uint32_t kLabelId = 0x16010105;
HWND g_window = nullptr;
HWND g_label = nullptr;

bool Lookup(uint32_t window, uint32_t unit, void** handle) {
  if (window != kWindowId) return false;
  if (unit == 0)
    *handle = g_window;
  else if (unit == kLabelId)
    *handle = g_label;
  else
    return false;
  return true;
}

TEST(GetWindowHandle, LoadedUnitsGiveTheirWindow) {
  g_window = ::CreateWindowExA(0, "STATIC", "w", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
  g_label = ::CreateWindowExA(0, "STATIC", "l", WS_CHILD, 0, 0, 10, 10, g_window, nullptr, nullptr,
                              nullptr);
  SetUnitWindowLookup(Lookup);
  auto handle = [](uint32_t window, uint32_t unit, uint32_t type) {
    return IntOf(Call(GetWindowHandleCmd, {MakeUnitRef(window, unit, type)}));
  };
  EXPECT_EQ(handle(kWindowId, 0, tag::kCoreWindowType),
            static_cast<int32_t>(reinterpret_cast<uintptr_t>(g_window)));
  EXPECT_EQ(handle(kWindowId, kLabelId, 0x1000A),
            static_cast<int32_t>(reinterpret_cast<uintptr_t>(g_label)));
  // Known to the lookup but its window is gone: no handle.
  ::DestroyWindow(g_window);
  EXPECT_EQ(handle(kWindowId, 0, tag::kCoreWindowType), 0);

  // Unknown units end the program with the runtime error.
  const std::string message = testing::Gbk("指定窗口或窗口组件不存在或尚未载入");
  for (uint32_t window : {kWindowId + 1, kWindowId}) {
    testing::Rearm(testing::CapturingHandler);
    testing::Capture() = testing::Captured{};
    const testing::EndOutcome end = testing::RunToEnd([&] { handle(window, 0x16010199, 0x1000A); });
    if (end.returned()) ADD_FAILURE() << "returned";
    EXPECT_EQ(end.exit_code, kFatalExitCode);
    ASSERT_EQ(testing::Capture().handled.size(), 1u);
    const std::string& reported = testing::Capture().handled[0].second;
    EXPECT_EQ(reported.compare(0, message.size(), message), 0) << reported;
  }
  SetUnitWindowLookup(nullptr);
  ResetProgramEndForTesting();
  SetProcessExitForTesting(nullptr);
}

}  // namespace
}  // namespace korvex
