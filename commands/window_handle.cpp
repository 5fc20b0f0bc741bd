// The platform window of a window or unit of a loaded window.
#include <windows.h>

#include <cstdint>

#include "commands/commands.h"
#include "runtime/arg_record.h"
#include "runtime/unit_lookup.h"

namespace korvex {

// args[0]: a unit reference (window id, unit id). A unit that is not loaded
// ends the program with the runtime error of the lookup; a loaded unit without
// a platform window (or whose window is gone) gives 0.
void GetWindowHandleCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  SetIntResult(result, 0);
  if (count < 1) return;
  auto window = static_cast<HWND>(UnitWindowHandleOrRaise(args[0].low, args[0].high));
  if (window != nullptr && ::IsWindow(window)) {
    SetIntResult(result, static_cast<int32_t>(reinterpret_cast<uintptr_t>(window)));
  }
}

}  // namespace korvex
