// The tests' one way to watch the program end. The runtime ends the process
// (ExitNow in runtime/errors.cpp) or, on a thread that may not end it, waits
// for its end (ParkThread); both go through replaceable routines that must
// not return. RunToEnd replaces them with routines that leave the code under
// test and return to the test, which then inspects what the end left behind
// (captured reports, clean-up routines run, the exit code).
//
// The Windows program and the libraries its tests share with it are built
// without exception support, so nothing may unwind their frames. There the
// end jumps back (__builtin_setjmp/__builtin_longjmp) past every frame in
// between, as a real process end leaves them: nothing in a skipped frame runs,
// so its heap blocks stay allocated and any mark it would have reset stays set
// (the error handler's in-progress mark: ResetProgramEndForTesting clears it).
// The host build keeps exceptions and runs its tests under AddressSanitizer,
// which does not follow __builtin_longjmp's stack switch: there the end throws
// instead. One interface serves both, so the portable tests are written once.
//
// Only our own frames and the test's may lie between a run and the end it
// catches: an end inside a window procedure that the system called must be
// caught by a run inside that procedure (as the end-thread tests' owner window
// does), never by one around the SendMessage or DispatchMessage that called it.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <type_traits>

namespace korvex::testing {

// How the code run by RunToEnd left.
struct EndOutcome {
  enum class Way { kReturned, kEnded, kParked };
  Way way = Way::kReturned;
  uint32_t exit_code = 0;  // the process's exit code when ended

  bool ended() const { return way == Way::kEnded; }
  bool parked() const { return way == Way::kParked; }
  bool returned() const { return way == Way::kReturned; }
  friend bool operator==(const EndOutcome&, const EndOutcome&) = default;
};
inline EndOutcome Ended(uint32_t exit_code) {
  return {EndOutcome::Way::kEnded, exit_code};
}
void PrintTo(const EndOutcome& outcome, std::ostream* out);

// Installs the test routines for the process end and the thread's wait. From
// then on an end outside RunToEnd fails the test program loudly instead of
// ending the process with the program's exit code, which may be 0.
void TrapProgramEnd();

// Runs action() on this thread (nested calls and other threads have their
// own) and reports how it left: by returning, by ending the program (with its
// exit code), or by waiting for the end that another thread owns.
EndOutcome RunTrapped(void (*call)(void* action), void* action);
template <typename Action>
EndOutcome RunToEnd(Action&& action) {
  return RunTrapped([](void* a) { (*static_cast<std::remove_reference_t<Action>*>(a))(); },
                    const_cast<void*>(static_cast<const void*>(&action)));
}

}  // namespace korvex::testing
