// An end requested on another thread reaches the main thread's hidden owner
// window as message 0x83E7.
#include <windows.h>

#include "tests/runtime/runtime_test_support.h"

namespace korvex {
namespace {

UINT g_request_message = 0;
WPARAM g_request_code = 0;
DWORD g_request_thread = 0;

// Set: the owner answers a request as the runtime's hidden owner does.
bool g_answer_requests = false;
bool g_main_ended_on_request = false;

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kEndRequestMessage) {
    g_request_message = message;
    g_request_code = wparam;
    g_request_thread = GetCurrentThreadId();
    if (g_answer_requests &&
        testing::RunToEnd([wparam] { AnswerEndRequest(static_cast<uint32_t>(wparam)); }).ended()) {
      g_main_ended_on_request = true;
    }
    return 0;
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

struct WorkerResult {
  uint32_t exit_code = 0;
  bool ended = false;
  bool waiting = false;  // left for the main thread to end the process
};

DWORD WINAPI EndOnWorker(void* parameter) {
  auto* result = static_cast<WorkerResult*>(parameter);
  const testing::EndOutcome end = testing::RunToEnd([] { EndProgram(7); });
  result->ended = end.ended();
  result->exit_code = end.exit_code;
  result->waiting = end.parked();
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

class EndThreadTest : public testing::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    WNDCLASSA wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KorvexTestOwner";
    RegisterClassA(&wc);
    // A message-only window: enough for SendMessage, no display needed.
    owner_ = CreateWindowExA(0, "KorvexTestOwner", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             wc.hInstance, nullptr);
    ASSERT_NE(owner_, nullptr);
    g_request_message = 0;
    g_request_code = 0;
    g_answer_requests = false;
    g_main_ended_on_request = false;
    ArmMainThread();
  }
  void TearDown() override {
    DestroyWindow(owner_);
    RuntimeTest::TearDown();
  }
  void ArmMainThread() {
    SetMainThread(GetCurrentThreadId());
    SetHiddenOwnerWindow(owner_);
  }
  HWND owner_ = nullptr;
};

int g_cleanups = 0;
void CountCleanup() {
  ++g_cleanups;
}

TEST_F(EndThreadTest, EndOnAnotherThreadIsSentToTheOwnerWindow) {
  g_cleanups = 0;
  RegisterCleanupRoutine(CountCleanup);

  WorkerResult result = EndFromAnotherThread();
  EXPECT_EQ(g_request_message, kEndRequestMessage);
  EXPECT_EQ(g_request_code, 7u);
  EXPECT_EQ(g_request_thread, GetCurrentThreadId());
  // The request was not answered: the worker ends the process itself.
  EXPECT_TRUE(result.ended);
  EXPECT_EQ(result.exit_code, 7u);
  // The clean-up belongs to the main thread: the worker ran none of it.
  EXPECT_EQ(g_cleanups, 0);
  EXPECT_GE(EventsBlocked(), 1);

  // Without an owner window the worker ends the process itself.
  testing::Rearm();
  ArmMainThread();
  SetHiddenOwnerWindow(nullptr);
  g_request_message = 0;
  result = EndFromAnotherThread();
  EXPECT_EQ(g_request_message, 0u);
  EXPECT_TRUE(result.ended);
  EXPECT_EQ(result.exit_code, 7u);

  // On the main thread itself the clean-up runs.
  testing::Rearm();
  RegisterCleanupRoutine(CountCleanup);
  EXPECT_TRUE(testing::RunToEnd([&] { EndProgram(1); }).ended());
  EXPECT_EQ(g_cleanups, 1);
}

WorkerResult g_during_cleanup;
bool g_cleanup_finished = false;
int g_released = 0;

TEST_F(EndThreadTest, EndFromAnotherThreadLetsABegunCleanUpFinish) {
  g_answer_requests = true;
  g_cleanup_finished = false;
  g_released = 0;
  // A clean-up routine that dispatches messages while another thread asks
  // for the end.
  RegisterCleanupRoutine([] {
    g_during_cleanup = EndFromAnotherThread();
    g_cleanup_finished = true;
  });
  ProgramEndSteps().release_runtime_objects = [] { ++g_released; };
  EXPECT_EQ(testing::RunToEnd([] { EndProgram(0); }), testing::Ended(0))
      << "the program did not end";
  EXPECT_EQ(g_request_code, 7u);          // the request reached the main thread...
  EXPECT_FALSE(g_main_ended_on_request);  // ...which went on with its clean-up
  EXPECT_FALSE(g_during_cleanup.ended);   // nor did the worker end the process
  EXPECT_TRUE(g_during_cleanup.waiting);
  EXPECT_TRUE(g_cleanup_finished);
  EXPECT_EQ(g_released, 1);

  // Without an owner window to ask, the worker still leaves the end to it.
  testing::Rearm();
  ArmMainThread();
  SetHiddenOwnerWindow(nullptr);
  RegisterCleanupRoutine([] { g_during_cleanup = EndFromAnotherThread(); });
  g_during_cleanup = WorkerResult{};
  EXPECT_TRUE(testing::RunToEnd([&] { EndProgram(0); }).ended());
  EXPECT_FALSE(g_during_cleanup.ended);
  EXPECT_TRUE(g_during_cleanup.waiting);
}

WorkerResult g_during_box;

TEST_F(EndThreadTest, EndFromAnotherThreadWhileTheErrorBoxIsOpenWaitsForTheReport) {
  g_answer_requests = true;
  g_cleanups = 0;
  g_released = 0;
  g_during_box = WorkerResult{};
  RegisterCleanupRoutine(CountCleanup);
  ProgramEndSteps().release_runtime_objects = [] { ++g_released; };
  // The box's modal loop dispatches the worker's end request to the owner.
  SetMessageBoxForTesting(
      [](const char*, const char*, uint32_t) { g_during_box = EndFromAnotherThread(); });
  const uint32_t exit_code = testing::RunToEnd([] { ReportError("boom", 0, 0, 0); }).exit_code;
  EXPECT_EQ(g_request_message, kEndRequestMessage);  // the request reached the main thread...
  EXPECT_EQ(g_request_code, 7u);
  EXPECT_FALSE(g_main_ended_on_request);  // ...which left the end to the report
  EXPECT_FALSE(g_during_box.ended);       // nor did the worker end the process
  EXPECT_TRUE(g_during_box.waiting);
  EXPECT_EQ(exit_code, kFatalExitCode);
  EXPECT_EQ(g_cleanups, 0);
  EXPECT_EQ(g_released, 1);
}

}  // namespace
}  // namespace korvex
