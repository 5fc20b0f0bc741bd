// How commands find the platform window of a window or unit of a loaded
// window: the form engine installs its lookup; until then nothing is loaded.
#pragma once

#include <cstdint>

#include "runtime/errors.h"
#include "runtime/texts.h"

namespace korvex {

// True when the unit of the window is loaded; *handle receives its platform
// window, null for a unit that has none.
using UnitWindowLookup = bool (*)(uint32_t window, uint32_t unit, void** handle);

inline UnitWindowLookup& UnitWindowLookupSlot() {
  static UnitWindowLookup lookup = nullptr;
  return lookup;
}
inline void SetUnitWindowLookup(UnitWindowLookup lookup) {
  UnitWindowLookupSlot() = lookup;
}

// The window handle of a loaded unit (null when it has no window of its own).
// A window or unit that is not loaded is a runtime error.
inline void* UnitWindowHandleOrRaise(uint32_t window, uint32_t unit) {
  void* handle = nullptr;
  UnitWindowLookup lookup = UnitWindowLookupSlot();
  if (lookup == nullptr || !lookup(window, unit, &handle)) {
    ReportError(kUnitMissingText, 0, window, 0);
  }
  return handle;
}

}  // namespace korvex
