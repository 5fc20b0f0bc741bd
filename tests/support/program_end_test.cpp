// The tests' seam for the program's end, against the runtime's real end.
#include "tests/support/program_end.h"

#include <gtest/gtest.h>

#include <thread>

#include "runtime/errors.h"
#include "runtime/platform.h"

namespace korvex::testing {
namespace {

class ProgramEndSeam : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgramEndForTesting(); }
  void TearDown() override { ResetProgramEndForTesting(); }
};

bool g_went_on = false;
// The end, through a pointer the compiler cannot see through: it then takes
// the recursion below for one that may return, as it does in the product.
void (*volatile g_end)(uint32_t exit_code) = EndProgram;

// Calls itself `depth` times, then ends the program; what follows the end
// must never run.
void EndDeepDown(int depth, uint32_t exit_code) {
  if (depth == 0) {
    g_end(exit_code);
  } else {
    EndDeepDown(depth - 1, exit_code);
  }
  g_went_on = true;
}

TEST_F(ProgramEndSeam, EndDeepInsideCallsReturnsToTheTestWithItsExitCode) {
  g_went_on = false;
  volatile int kept = 1234;  // in this frame, which the end must leave intact
  EXPECT_EQ(RunToEnd([] { EndDeepDown(40, 17); }), Ended(17));
  EXPECT_FALSE(g_went_on);
  EXPECT_EQ(kept, 1234);
  // The trap is gone with its run: the next run has one of its own.
  ResetProgramEndForTesting();
  EXPECT_EQ(RunToEnd([] { EndDeepDown(3, 5); }), Ended(5));
}

TEST_F(ProgramEndSeam, ActionThatReturnsIsReportedAsReturned) {
  int runs = 0;
  const EndOutcome outcome = RunToEnd([&] { ++runs; });
  EXPECT_TRUE(outcome.returned());
  EXPECT_FALSE(outcome.ended());
  EXPECT_EQ(runs, 1);
}

TEST_F(ProgramEndSeam, NestedRunCatchesItsOwnEndAndTheOuterGoesOn) {
  EndOutcome inner;
  bool after_inner = false;
  const EndOutcome outer = RunToEnd([&] {
    inner = RunToEnd([] { EndProgram(3); });
    after_inner = true;
    EndProgram(4);
  });
  EXPECT_EQ(inner, Ended(3));
  EXPECT_TRUE(after_inner);
  EXPECT_EQ(outer, Ended(4));
}

// Once the main thread's clean-up has begun, another thread that asks for the
// end waits for the process to end: that thread's own run reports it.
TEST_F(ProgramEndSeam, ThreadLeftWaitingForTheEndIsReportedOnItsOwnThread) {
  SetMainThread(platform::CurrentThreadId());
  RunProgramEndCleanup();
  EndOutcome worker_outcome;
  const EndOutcome main_outcome = RunToEnd([&] {
    std::thread worker([&] { worker_outcome = RunToEnd([] { EndProgram(7); }); });
    worker.join();
  });
  EXPECT_TRUE(worker_outcome.parked()) << ::testing::PrintToString(worker_outcome);
  EXPECT_TRUE(main_outcome.returned()) << ::testing::PrintToString(main_outcome);
}

// An end the test did not expect must not pass for a test program that ended
// well, whatever the exit code.
TEST_F(ProgramEndSeam, EndOutsideARunFailsTheTestProgram) {
  EXPECT_DEATH(
      {
        TrapProgramEnd();
        EndProgram(0);
      },
      "ended outside RunToEnd");
}

}  // namespace
}  // namespace korvex::testing
