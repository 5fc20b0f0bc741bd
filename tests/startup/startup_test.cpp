// Start-up pieces on their own: the module path split, the numbered services,
// the idle routines and the message pumps, the window style from a window's
// property block, and the font attributes forced on unit fonts.
#include <gtest/gtest.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "forms/form_window.h"
#include "forms/units.h"
#include "runtime/application.h"
#include "runtime/call_protocol.h"
#include "runtime/errors.h"
#include "runtime/message_loop.h"
#include "runtime/program_image.h"
#include "runtime/values.h"
#include "tests/support/program_end.h"

namespace {

using korvex::App;

TEST(SplitModulePath, LastBackslashHonoursDoubleByteCharacters) {
  struct Case {
    const char* path;
    const char* directory;
    const char* file;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Korvex\\setup.exe", "C:\\Program Files\\Korvex", "setup.exe"},
      {"setup.exe", "", "setup.exe"},  // no backslash: the whole name is the file name
      {"\\setup.exe", "", "setup.exe"},
      {"C:\\dir\\", "C:\\dir", ""},
      // "\x95\x5C" is one code page 936 character whose trail byte is '\'.
      {"C:\\\x95\x5C\\a.exe", "C:\\\x95\x5C", "a.exe"},
      {"C:\\dir\\\x95\x5C.exe", "C:\\dir", "\x95\x5C.exe"},
      // A lone lead byte at the end is a byte of its own.
      {"C:\\dir\\a\x95", "C:\\dir", "a\x95"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const korvex::SplitPath split = korvex::SplitModulePath(c.path, 936);
    EXPECT_EQ(split.directory, c.directory);
    EXPECT_EQ(split.file_name, c.file);
  }
  // On a single-byte code page the same bytes split at the last backslash.
  const korvex::SplitPath single = korvex::SplitModulePath("C:\\\x95\x5C\\a.exe", 1252);
  EXPECT_EQ(single.directory, "C:\\\x95\\");
  EXPECT_EQ(korvex::SplitModulePath(nullptr, 936).file_name, "");
}

class ServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "korvex-services-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder_.c_str(), nullptr);
    for (const char* name : {"b.txt", "a.txt", "hidden.txt"}) {
      const std::string path = folder_ + "\\" + name;
      HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
      CloseHandle(file);
    }
    SetFileAttributesA((folder_ + "\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    CreateDirectoryA((folder_ + "\\sub").c_str(), nullptr);
  }
  void TearDown() override {
    for (const char* name : {"b.txt", "a.txt", "hidden.txt"}) {
      const std::string path = folder_ + "\\" + name;
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(path.c_str());
    }
    RemoveDirectoryA((folder_ + "\\sub").c_str());
    RemoveDirectoryA(folder_.c_str());
  }

  // Every name service 0 gives for the pattern, in the order given.
  std::vector<std::string> FindAll(uint32_t mask, bool directories_only) {
    std::vector<std::string> names;
    HANDLE search = nullptr;
    const std::string pattern = folder_ + "\\*";
    auto next = [&](const char* p) {
      return reinterpret_cast<char*>(korvex::RuntimeServices(0, reinterpret_cast<intptr_t>(p), mask,
                                                             directories_only,
                                                             reinterpret_cast<intptr_t>(&search)));
    };
    for (char* name = next(pattern.c_str()); name; name = next(nullptr)) {
      names.push_back(name);
      korvex::Free(name);
    }
    EXPECT_EQ(search, nullptr) << "the search is closed at its end";
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string folder_;
};

TEST_F(ServiceTest, FindNextFileSkipsDotsAndFiltersAttributes) {
  const int32_t before = korvex::LiveAllocationCount();
  EXPECT_EQ(FindAll(0, false), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(FindAll(FILE_ATTRIBUTE_HIDDEN, false),
            (std::vector<std::string>{"a.txt", "b.txt", "hidden.txt"}));
  EXPECT_EQ(FindAll(FILE_ATTRIBUTE_DIRECTORY, false),
            (std::vector<std::string>{"a.txt", "b.txt", "sub"}));
  EXPECT_EQ(FindAll(0, true), (std::vector<std::string>{"sub"}));
  EXPECT_EQ(korvex::LiveAllocationCount(), before);
}

TEST_F(ServiceTest, FindNextFileWithoutMatchOrHandle) {
  HANDLE search = nullptr;
  const std::string pattern = folder_ + "\\*.none";
  EXPECT_EQ(korvex::RuntimeServices(0, reinterpret_cast<intptr_t>(pattern.c_str()), 0, 0,
                                    reinterpret_cast<intptr_t>(&search)),
            0);
  EXPECT_EQ(search, nullptr);
  // Continuing without a search, or without a handle slot, gives nothing.
  EXPECT_EQ(korvex::RuntimeServices(0, 0, 0, 0, reinterpret_cast<intptr_t>(&search)), 0);
  EXPECT_EQ(korvex::RuntimeServices(0, reinterpret_cast<intptr_t>(pattern.c_str()), 0, 0, 0), 0);
  // Service 1 closes a search half-way; a null handle is ignored.
  const std::string all = folder_ + "\\*.txt";
  char* first = reinterpret_cast<char*>(korvex::RuntimeServices(
      0, reinterpret_cast<intptr_t>(all.c_str()), 0, 0, reinterpret_cast<intptr_t>(&search)));
  ASSERT_NE(first, nullptr);
  korvex::Free(first);
  ASSERT_NE(search, nullptr);
  EXPECT_EQ(korvex::RuntimeServices(1, reinterpret_cast<intptr_t>(search), 0, 0, 0), 0);
  EXPECT_EQ(korvex::RuntimeServices(1, 0, 0, 0, 0), 0);
}

int g_cleanup_runs = 0;
void CountCleanup() {
  ++g_cleanup_runs;
}

TEST(Services, PrivateArrayCopyCleanupAndUnusedNumbers) {
  korvex::ResetProgramEndForTesting();
  // Service 2: a private copy of an array in the constant segment.
  static const int32_t kConstantArray[] = {1, 3, 7, 8, 9};
  korvex::SetConstantSegment(kConstantArray, sizeof kConstantArray);
  void* array = const_cast<int32_t*>(kConstantArray);
  korvex::RuntimeServices(2, 4, reinterpret_cast<intptr_t>(&array), 0, 0);
  ASSERT_NE(array, static_cast<const void*>(kConstantArray));
  EXPECT_EQ(std::memcmp(array, kConstantArray, sizeof kConstantArray), 0);
  korvex::Free(array);
  korvex::ClearConstantSegment();
  // Services 4 and 5 are not used: they answer 0.
  EXPECT_EQ(korvex::RuntimeServices(4, 1, 2, 3, 4), 0);
  EXPECT_EQ(korvex::RuntimeServices(5, 1, 2, 3, 4), 0);
  // Service 3: registered twice, run once at the end.
  g_cleanup_runs = 0;
  korvex::RuntimeServices(3, reinterpret_cast<intptr_t>(&CountCleanup), 0, 0, 0);
  korvex::RuntimeServices(3, reinterpret_cast<intptr_t>(&CountCleanup), 0, 0, 0);
  EXPECT_TRUE(korvex::testing::RunToEnd([] { korvex::EndProgram(0); }).ended());
  EXPECT_EQ(g_cleanup_runs, 1);
  korvex::ResetProgramEndForTesting();
}

// A message-only window for the loop tests.
HWND MakeWindow() {
  return CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

std::vector<int> g_idle_order;
void IdleOne(void* p) {
  g_idle_order.push_back(*static_cast<int*>(p));
}

TEST(MessageLoop, IdleRoutinesRunLastToFirstAndDropGoneWindows) {
  korvex::ClearIdleRoutines();
  g_idle_order.clear();
  HWND a = MakeWindow();
  HWND b = MakeWindow();
  int one = 1, two = 2, three = 3;
  korvex::AddIdleRoutine(a, &IdleOne, &one);
  korvex::AddIdleRoutine(b, &IdleOne, &two);
  korvex::AddIdleRoutine(a, &IdleOne, &three);
  korvex::RunIdleRoutines();
  EXPECT_EQ(g_idle_order, (std::vector<int>{3, 2, 1}));
  DestroyWindow(b);
  g_idle_order.clear();
  korvex::RunIdleRoutines();
  EXPECT_EQ(g_idle_order, (std::vector<int>{3, 1}));
  EXPECT_EQ(App().idle_windows.size(), 2u);
  EXPECT_EQ(App().idle_routines.size(), 2u);
  EXPECT_EQ(App().idle_parameters.size(), 2u);
  korvex::RemoveIdleRoutines(a);
  EXPECT_TRUE(App().idle_windows.empty());
  DestroyWindow(a);
}

TEST(MessageLoop, PendingMessagesStopAtTheQuitMessage) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
  const UINT kProbe = WM_APP + 7;
  int seen = 0;
  struct Counter {
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
      if (m == WM_APP + 7) ++*reinterpret_cast<int*>(GetWindowLongPtrW(w, GWLP_USERDATA));
      return DefWindowProcW(w, m, wp, lp);
    }
  };
  HWND window = MakeWindow();
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&seen));
  SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Counter::Proc));
  PostMessageW(window, kProbe, 0, 0);
  PostMessageW(window, kProbe, 0, 0);
  korvex::ProcessPendingMessages();
  EXPECT_EQ(seen, 2);
  PostQuitMessage(5);
  PostMessageW(window, kProbe, 0, 0);
  korvex::ProcessPendingMessages();
  EXPECT_EQ(seen, 3);  // messages before the quit are still dispatched
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));  // the quit stays queued
  // The main loop takes it and returns.
  korvex::RunMessageLoop(korvex::LoopMode::kMain);
  EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
  DestroyWindow(window);
}

volatile bool g_modal = true;
int g_modal_idles = 0;
void EndModal(void*) {
  ++g_modal_idles;
  g_modal = false;
}

TEST(MessageLoop, ModalLoopEndsWithItsFlagAndLeavesTheQuit) {
  korvex::ClearIdleRoutines();
  HWND window = MakeWindow();
  // The modal flag is cleared by an idle routine: the loop returns.
  g_modal = true;
  korvex::AddIdleRoutine(window, &EndModal, nullptr);
  korvex::RunMessageLoop(korvex::LoopMode::kModal, &g_modal);
  EXPECT_EQ(g_modal_idles, 1);
  korvex::ClearIdleRoutines();
  // A quit request ends the modal loop and stays for the main loop.
  g_modal = true;
  PostMessageW(window, WM_NULL, 0, 0);
  PostQuitMessage(0);
  korvex::RunMessageLoop(korvex::LoopMode::kModal, &g_modal);
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  DestroyWindow(window);
}

TEST(MessageLoop, QuitRequestOnlyAfterTheLoopStartedAndNoWindowIsLeft) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
  static bool any_window = false;
  App().forms.any_window_exists = [] { return any_window; };
  App().main_loop_started = false;
  korvex::QuitIfNoWindowLeft();
  EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
  App().main_loop_started = true;
  any_window = true;
  korvex::QuitIfNoWindowLeft();
  EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
  any_window = false;
  korvex::QuitIfNoWindowLeft();
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 0u);
  // Run does not enter the loop when no window exists.
  App().main_loop_started = false;
  korvex::Run();
  EXPECT_TRUE(App().main_loop_started);
  App().forms = korvex::FormEngineHooks{};
  App().main_loop_started = false;
}

int g_idle_runs = 0;
int g_idle_runs_at_timer = -1;
void CALLBACK QuitOnTimer(HWND window, UINT, UINT_PTR id, DWORD) {
  KillTimer(window, id);
  g_idle_runs_at_timer = g_idle_runs;
  PostQuitMessage(0);
}
// The first idle pass queues a mouse move, then a timer fires once the queue
// has stayed empty for a while.
void IdleThenMouseMove(void* window) {
  if (++g_idle_runs > 1) return;
  PostMessageW(static_cast<HWND>(window), WM_MOUSEMOVE, 0, 0);
  SetTimer(static_cast<HWND>(window), 1, 50, &QuitOnTimer);
}

TEST(MessageLoop, MessagesThatStartNoIdlePeriodRunNoIdleRoutines) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
  korvex::ClearIdleRoutines();
  HWND window = MakeWindow();
  g_idle_runs = 0;
  g_idle_runs_at_timer = -1;
  korvex::AddIdleRoutine(window, &IdleThenMouseMove, window);
  korvex::RunMessageLoop(korvex::LoopMode::kMain);
  // The mouse move emptied the queue again without a new idle pass; the
  // timer is the first message after it that starts one.
  EXPECT_EQ(g_idle_runs_at_timer, 1);
  korvex::ClearIdleRoutines();
  DestroyWindow(window);
}

TEST(FormWindowStyle, BorderBoxesPositionAndOwner) {
  using korvex::forms::StyleFromProperties;
  using korvex::forms::WindowProperties;
  // This program's window: border 2 (fixed), all boxes, stored position,
  // "move" kept, owned by the hidden owner (setting 15 is 0).
  WindowProperties p;
  p.field[2] = 2;
  p.field[11] = 0;
  p.field[12] = 1;
  p.field[16] = 0;
  korvex::forms::WindowStyle s = StyleFromProperties(p, false);
  EXPECT_EQ(s.style & (WS_CAPTION | WS_THICKFRAME), static_cast<DWORD>(WS_CAPTION));
  EXPECT_EQ(s.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_SYSMENU),
            static_cast<DWORD>(WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_SYSMENU));
  EXPECT_EQ(s.ex_style, 0u);
  EXPECT_FALSE(s.centred);
  EXPECT_EQ(s.show_command, SW_SHOWNORMAL);
  EXPECT_TRUE(s.keep_move);
  EXPECT_TRUE(s.owned_by_hidden);

  struct Case {
    int border;
    DWORD thick;
    DWORD ex;
  };
  const Case borders[] = {{1, WS_THICKFRAME, 0},
                          {3, 0, WS_EX_TOOLWINDOW},
                          {4, WS_THICKFRAME, WS_EX_TOOLWINDOW},
                          {5, 0, WS_EX_CLIENTEDGE},
                          {6, WS_THICKFRAME, WS_EX_CLIENTEDGE}};
  for (const Case& c : borders) {
    SCOPED_TRACE(c.border);
    p.field[2] = c.border;
    s = StyleFromProperties(p, false);
    EXPECT_EQ(s.style & WS_THICKFRAME, c.thick);
    EXPECT_EQ(s.ex_style, c.ex);
  }
  p.field[2] = 0;
  EXPECT_TRUE(StyleFromProperties(p, false).style & WS_POPUP);
  for (int unknown : {-1, 7}) {  // an unknown border is the fixed one
    SCOPED_TRACE(unknown);
    p.field[2] = unknown;
    s = StyleFromProperties(p, false);
    EXPECT_EQ(s.style & (WS_POPUP | WS_CAPTION | WS_THICKFRAME), static_cast<DWORD>(WS_CAPTION));
    EXPECT_EQ(s.ex_style, 0u);
  }

  p.field[2] = 2;
  p.field[7] = 0;  // no minimize box
  p.field[8] = 0;  // no maximize box
  p.field[9] = 0;  // no control box
  s = StyleFromProperties(p, false);
  EXPECT_EQ(s.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_SYSMENU), 0u);
  p.field[11] = 1;
  EXPECT_TRUE(StyleFromProperties(p, false).centred);
  p.field[11] = 2;
  EXPECT_EQ(StyleFromProperties(p, false).show_command, SW_SHOWMINIMIZED);
  p.field[11] = 3;
  EXPECT_EQ(StyleFromProperties(p, false).show_command, SW_SHOWMAXIMIZED);
  p.field[12] = 0;
  EXPECT_FALSE(StyleFromProperties(p, false).keep_move);
  p.field[16] = 1;
  EXPECT_FALSE(StyleFromProperties(p, false).owned_by_hidden);
  EXPECT_TRUE(StyleFromProperties(p, true).owned_by_hidden);  // modal: always owned
}

TEST(UnitFonts, DescriptionWithForcedAttributes) {
  korvex::forms::FontDescription font = korvex::forms::DefaultUiFont();
  font.italic = 1;
  font.weight = 700;
  const LOGFONTW lf = korvex::forms::UnitFontAttributes(font);
  EXPECT_EQ(lf.lfHeight, -12);
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_EQ(lf.lfCharSet, 1);  // not the stored 134
  EXPECT_EQ(lf.lfOutPrecision, 0);
  EXPECT_EQ(lf.lfClipPrecision, 0);
  EXPECT_EQ(lf.lfQuality, 2);
  EXPECT_EQ(lf.lfPitchAndFamily, 0);
  EXPECT_STREQ(lf.lfFaceName, L"\u5FAE\u8F6F\u96C5\u9ED1");  // from code page 936
  // A face that fills all 32 bytes without a terminator is too long: "宋体".
  std::memset(font.face, 'A', sizeof font.face);
  const LOGFONTW full = korvex::forms::UnitFontAttributes(font);
  EXPECT_STREQ(full.lfFaceName, L"\u5B8B\u4F53");
}

TEST(WindowTexts, CodePage936BothWays) {
  const char kText[] = "Korvex \xD2\xBB\xBC\xFC\xB0\xB2\xD7\xB0";  // "Korvex 一键安装"
  EXPECT_EQ(korvex::forms::WideFromText(kText), L"Korvex \u4E00\u952E\u5B89\u88C5");
  EXPECT_EQ(korvex::forms::TextFromWide(L"Korvex \u4E00\u952E\u5B89\u88C5"), kText);
  EXPECT_EQ(korvex::forms::WideFromText(""), L"");
}

}  // namespace

namespace {

// The image of a built program with the given library table, and without
// constants, declared functions or windows.
constexpr korvex::ProgramInfoBlock BuiltImage(const korvex::LibraryRecord* const* libraries,
                                              int32_t library_count) {
  korvex::ProgramInfoBlock image{};
  image.program_kind = korvex::kProgramKindBuilt;
  image.build_number = korvex::kProgramBuildNumber;
  image.library_count = library_count;
  image.library_table = libraries;
  return image;
}
const korvex::ProgramInfoBlock kEmptyImage = BuiltImage(nullptr, 0);
DWORD g_main_thread = 0;
void ReportCleanupThread() {
  std::fprintf(stderr, GetCurrentThreadId() == g_main_thread ? "clean-up on the main thread\n"
                                                             : "clean-up on another thread\n");
}
DWORD WINAPI EndFromAnotherThread(void*) {
  korvex::EndProgram(7);
  return 0;
}

// What the real program-end steps do, in the order they happen.
std::vector<std::string> g_end_log;
template <int Library>
intptr_t LogNotify(int32_t code, intptr_t p1, intptr_t) {
  // At start p1 is the service callback, at the end the library's stored word.
  const bool services = p1 == reinterpret_cast<intptr_t>(&korvex::RuntimeService);
  g_end_log.push_back("library " + std::to_string(Library) + " notify " + std::to_string(code) +
                      (services ? " services" : " word " + std::to_string(p1)));
  return 0;
}
korvex::LibraryRecord LibraryWithNotify(korvex::NotifyRoutine notify) {
  korvex::LibraryRecord record{};
  record.format_mark = korvex::kLibraryFormatMark;
  record.notify = notify;
  return record;
}
const korvex::LibraryRecord kFirst = LibraryWithNotify(&LogNotify<0>);
const korvex::LibraryRecord kSilent = LibraryWithNotify(nullptr);
const korvex::LibraryRecord kThird = LibraryWithNotify(&LogNotify<2>);
const korvex::LibraryRecord* const kLibraries[] = {&kFirst, &kSilent, &kThird, nullptr};
const korvex::ProgramInfoBlock kImageWithLibraries = BuiltImage(kLibraries, 4);

HWND g_owner_at_cleanup = nullptr;
void LogCleanup() {
  g_end_log.push_back(IsWindow(g_owner_at_cleanup) ? "clean-up, owner alive" : "clean-up");
}

TEST(ProgramEnd, StepsReleaseWindowsLibrariesOwnerAndOle) {
  korvex::ResetApplicationForTesting();
  korvex::ResetProgramEndForTesting();
  g_end_log.clear();
  App().image = &kImageWithLibraries;
  App().forms.destroy_all_windows = [] { g_end_log.push_back("windows"); };
  korvex::InstallRuntimeEntries();
  korvex::InitializeProgramImage();
  EXPECT_EQ(g_end_log, (std::vector<std::string>{"library 0 notify 1 services",
                                                 "library 2 notify 1 services"}));
  g_end_log.clear();
  HWND owner = App().hidden_owner;
  ASSERT_TRUE(IsWindow(owner));
  g_owner_at_cleanup = owner;
  // OLE is initialised on this thread: another initialisation only counts up.
  EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
  OleUninitialize();
  App().library_words = {11, 22, 33, 44};  // what each library stored
  korvex::RegisterCleanupRoutine(&LogCleanup);

  EXPECT_TRUE(korvex::testing::RunToEnd([] { korvex::EndProgram(0); }).ended());
  EXPECT_EQ(g_end_log,
            (std::vector<std::string>{"windows", "clean-up, owner alive",
                                      "library 0 notify 6 word 11", "library 2 notify 6 word 33"}));
  EXPECT_FALSE(IsWindow(owner));
  EXPECT_EQ(OleInitialize(nullptr), S_OK);  // released: this one is the first again
  OleUninitialize();

  korvex::ResetProgramEndForTesting();
  korvex::SetLibraryTable(nullptr, 0);
  korvex::ResetRuntimeEntriesForTesting();
  korvex::ResetApplicationForTesting();
}

// The end asked for on another thread travels to the hidden owner window and
// happens on the main thread, with the clean-up there and the exit code given.
TEST(ProgramEnd, FromAnotherThreadEndsOnTheMainThread) {
  EXPECT_EXIT(
      {
        g_main_thread = GetCurrentThreadId();
        App().image = &kEmptyImage;
        korvex::InstallRuntimeEntries();
        korvex::InitializeProgramImage();
        korvex::RegisterCleanupRoutine(&ReportCleanupThread);
        CloseHandle(CreateThread(nullptr, 0, &EndFromAnotherThread, nullptr, 0, nullptr));
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
        std::_Exit(99);
      },
      ::testing::ExitedWithCode(7), "clean-up on the main thread");
}

}  // namespace
