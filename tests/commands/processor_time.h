// Processor time spent so far, for the delay benchmark and the guard that
// keeps DelayCmd from becoming a busy wait.
#pragma once

#include <windows.h>

namespace korvex::testing {

inline double Seconds(const FILETIME& t) {
  ULARGE_INTEGER v;
  v.LowPart = t.dwLowDateTime;
  v.HighPart = t.dwHighDateTime;
  return static_cast<double>(v.QuadPart) / 1e7;
}

// Kernel and user time of the whole process.
inline double ProcessorSeconds() {
  FILETIME created, exited, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  return Seconds(kernel) + Seconds(user);
}

// Kernel and user time of the calling thread.
inline double ThreadProcessorSeconds() {
  FILETIME created, exited, kernel, user;
  ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
  return Seconds(kernel) + Seconds(user);
}

}  // namespace korvex::testing
