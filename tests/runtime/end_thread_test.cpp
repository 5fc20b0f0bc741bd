// An end requested on another thread reaches the main thread's hidden owner
// window as message 0x83E7.
#include <windows.h>

#include "tests/runtime/runtime_test_support.h"

namespace korvex {
namespace {

using testing::ProgramEnded;

UINT g_request_message = 0;
WPARAM g_request_code = 0;
DWORD g_request_thread = 0;

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kEndRequestMessage) {
    g_request_message = message;
    g_request_code = wparam;
    g_request_thread = GetCurrentThreadId();
    return 0;
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

struct WorkerResult {
  uint32_t exit_code = 0;
  bool ended = false;
};

DWORD WINAPI EndOnWorker(void* parameter) {
  auto* result = static_cast<WorkerResult*>(parameter);
  try {
    EndProgram(7);
  } catch (const ProgramEnded& end) {
    result->ended = true;
    result->exit_code = end.exit_code;
  }
  return 0;
}

// Runs EndProgram(7) on a new thread while this thread keeps dispatching.
WorkerResult EndFromAnotherThread() {
  WorkerResult result;
  HANDLE thread = CreateThread(nullptr, 0, EndOnWorker, &result, 0, nullptr);
  EXPECT_NE(thread, nullptr);
  for (;;) {
    DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, 10000, QS_ALLINPUT);
    if (r != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
  CloseHandle(thread);
  return result;
}

class EndThreadTest : public testing::RuntimeTest {};

TEST_F(EndThreadTest, EndOnAnotherThreadIsSentToTheOwnerWindow) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = OwnerProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "KorvexTestOwner";
  RegisterClassA(&wc);
  // A message-only window: enough for SendMessage, no display needed.
  HWND owner = CreateWindowExA(0, "KorvexTestOwner", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, nullptr);
  ASSERT_NE(owner, nullptr);
  SetMainThread(GetCurrentThreadId());
  SetHiddenOwnerWindow(owner);
  static int cleanups = 0;
  cleanups = 0;
  RegisterCleanupRoutine([] { ++cleanups; });

  WorkerResult result = EndFromAnotherThread();
  EXPECT_EQ(g_request_message, kEndRequestMessage);
  EXPECT_EQ(g_request_code, 7u);
  EXPECT_EQ(g_request_thread, GetCurrentThreadId());
  EXPECT_TRUE(result.ended);
  EXPECT_EQ(result.exit_code, 7u);
  // The clean-up belongs to the main thread: the worker ran none of it.
  EXPECT_EQ(cleanups, 0);
  EXPECT_FALSE(ProgramEndStarted());
  EXPECT_GE(EventsBlocked(), 1);

  // Without an owner window the worker ends the process itself.
  g_request_message = 0;
  SetHiddenOwnerWindow(nullptr);
  result = EndFromAnotherThread();
  EXPECT_EQ(g_request_message, 0u);
  EXPECT_TRUE(result.ended);
  EXPECT_EQ(result.exit_code, 7u);
  DestroyWindow(owner);

  // On the main thread itself the clean-up runs.
  EXPECT_THROW(EndProgram(1), ProgramEnded);
  EXPECT_EQ(cleanups, 1);
}

}  // namespace
}  // namespace korvex
