#include "tests/support/program_end.h"

#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "runtime/errors.h"

namespace korvex::testing {
namespace {

// The innermost RunToEnd of each thread.
struct Trap {
  EndOutcome outcome;
  Trap* outer = nullptr;
#ifdef _WIN32
  void* jump[5] = {};  // what __builtin_setjmp keeps
#endif
};
thread_local Trap* t_trap = nullptr;

#ifndef _WIN32
struct Leaving {
  EndOutcome outcome;
};
#endif

[[noreturn]] void Leave(EndOutcome outcome) {
  Trap* trap = t_trap;
  if (trap == nullptr) {
    std::fprintf(stderr, "the program ended outside RunToEnd (exit code %u)\n",
                 static_cast<unsigned>(outcome.exit_code));
    std::fflush(stderr);
    std::abort();
  }
#ifdef _WIN32
  trap->outcome = outcome;
  __builtin_longjmp(trap->jump, 1);
#else
  throw Leaving{outcome};
#endif
}

void EndProcess(uint32_t exit_code) {
  Leave(Ended(exit_code));
}
void ParkThread() {
  Leave({EndOutcome::Way::kParked, 0});
}

}  // namespace

void PrintTo(const EndOutcome& outcome, std::ostream* out) {
  switch (outcome.way) {
    case EndOutcome::Way::kReturned:
      *out << "returned";
      break;
    case EndOutcome::Way::kEnded:
      *out << "ended with exit code " << outcome.exit_code;
      break;
    case EndOutcome::Way::kParked:
      *out << "waited for the end";
      break;
  }
}

void TrapProgramEnd() {
  SetProcessExitForTesting(EndProcess);
  SetThreadParkForTesting(ParkThread);
}

#ifdef _WIN32
// Never inlined: the jump back lands in this frame, which must still exist.
__attribute__((noinline)) EndOutcome RunTrapped(void (*call)(void*), void* action) {
  TrapProgramEnd();
  Trap trap;
  trap.outer = t_trap;
  t_trap = &trap;
  // Written through a pointer the compiler cannot keep in a register across
  // the jump.
  Trap* volatile self = &trap;
  if (__builtin_setjmp(trap.jump) == 0) call(action);
  t_trap = self->outer;
  return self->outcome;
}
#else
EndOutcome RunTrapped(void (*call)(void*), void* action) {
  TrapProgramEnd();
  Trap trap;
  trap.outer = t_trap;
  t_trap = &trap;
  try {
    call(action);
  } catch (const Leaving& leaving) {
    trap.outcome = leaving.outcome;
  }
  t_trap = trap.outer;
  return trap.outcome;
}
#endif

}  // namespace korvex::testing
