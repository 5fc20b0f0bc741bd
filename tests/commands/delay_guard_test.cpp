// DelayCmd must sleep between messages. Over a 1 s wait its processor time
// stays far below the wait, and it looks at the queue only when something
// arrives: the bounds are wide on purpose (a wait that polls the queue looks
// thousands of times and, under load, still costs more than a fifth of the
// wait). scripts/bench-delay gives the figures.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

#include "commands/command_ids.h"
#include "commands/commands.h"
#include "runtime/arg_record.h"
#include "runtime/library_record.h"
#include "tests/commands/processor_time.h"
#include "tests/support/runtime_pump.h"

namespace korvex {
namespace {

using testing::ServedLibrary;
using testing::ThreadProcessorSeconds;

constexpr int32_t kWaitMilliseconds = 1000;
constexpr double kMostProcessorSeconds = kWaitMilliseconds / 1000.0 / 5;
// A 50 ms timer wakes the wait about 20 times, each costing a look or two;
// a polling wait looked about 2000 times even on a loaded machine.
constexpr int kMostQueueLooks = 300;

// A visible window with a timer, as in the program.
class DelayProcessorTime : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = ::CreateWindowExA(0, "STATIC", "delay", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 50,
                                nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    ::SetTimer(window_, 1, 50, nullptr);
  }
  void TearDown() override {
    ::KillTimer(window_, 1);
    ::DestroyWindow(window_);
  }
  static void ExpectASleepingWait() {
    ServedLibrary::ResetPumpRequests();
    const double before = ThreadProcessorSeconds();
    ArgRecord ms = MakeInt(kWaitMilliseconds);
    DelayCmd(nullptr, 1, &ms);
    const double used = ThreadProcessorSeconds() - before;
    EXPECT_LT(used, kMostProcessorSeconds);
    EXPECT_LT(ServedLibrary::PumpRequests(), kMostQueueLooks);
  }
  ServedLibrary served_{kSpecialFunctionsLibraryRecord};
  HWND window_ = nullptr;
};

TEST_F(DelayProcessorTime, AWaitSleepsBetweenMessages) {
  ExpectASleepingWait();
}

TEST_F(DelayProcessorTime, AWaitBehindAQuitMessageSleepsToo) {
  // The quit message stays at the head; the paint and timer messages behind
  // it are never dispatched and must not keep waking the wait.
  ::PostQuitMessage(0);
  ::InvalidateRect(window_, nullptr, TRUE);
  ExpectASleepingWait();
  MSG m;
  EXPECT_TRUE(::PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
}  // namespace korvex
