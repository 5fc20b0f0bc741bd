// Prints the processor time that DelayCmd costs against its wall time. The
// wait runs with a window and a timer, as in the program. With "busy" as the
// second argument it measures a wait that polls the queue without sleeping,
// for comparison; with "quit" DelayCmd waits with a quit message queued.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "commands/command_ids.h"
#include "commands/commands.h"
#include "runtime/arg_record.h"
#include "runtime/library_record.h"
#include "tests/commands/processor_time.h"
#include "tests/support/runtime_pump.h"

namespace {

using korvex::testing::ProcessorSeconds;

// Polls the message queue until the deadline, never sleeping.
void BusyWait(int milliseconds) {
  const DWORD deadline = ::GetTickCount() + static_cast<DWORD>(milliseconds);
  while (static_cast<int32_t>(deadline - ::GetTickCount()) >= 0) {
    MSG m;
    while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&m);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int milliseconds = argc > 1 ? std::atoi(argv[1]) : 2000;
  HWND window = ::CreateWindowExA(0, "STATIC", "bench", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, nullptr, nullptr);
  ::SetTimer(window, 1, 100, nullptr);

  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  const double cpu_before = ProcessorSeconds();
  ::QueryPerformanceCounter(&start);
  const bool busy = argc > 2 && std::strcmp(argv[2], "busy") == 0;
  const bool quit = argc > 2 && std::strcmp(argv[2], "quit") == 0;
  if (quit) ::PostQuitMessage(0);
  if (busy) {
    BusyWait(milliseconds);
  } else {
    const korvex::testing::ServedLibrary served(korvex::kSpecialFunctionsLibraryRecord);
    korvex::ArgRecord ms = korvex::MakeInt(milliseconds);
    korvex::ArgRecord result = {0, 0, 0};
    korvex::DelayCmd(&result, 1, &ms);
  }
  ::QueryPerformanceCounter(&end);
  const double cpu = ProcessorSeconds() - cpu_before;
  const double wall =
      static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);

  std::printf("%s(%d): wall %.3f s, processor %.3f s, %.2f %% of the wall time\n",
              busy   ? "busy wait"
              : quit ? "DelayCmd with quit queued"
                     : "DelayCmd",
              milliseconds, wall, cpu, wall > 0 ? 100.0 * cpu / wall : 0.0);
  ::DestroyWindow(window);
  return 0;
}
