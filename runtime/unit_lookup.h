// How commands find the platform window of a window or unit of a loaded
// window: the form engine installs its lookup; until then nothing is loaded.
#pragma once

#include <cstdint>

#include "runtime/errors.h"

namespace korvex {

// True when the unit of the window is loaded; *handle receives its window.
using UnitWindowLookup = bool (*)(uint32_t window, uint32_t unit, void** handle);

inline UnitWindowLookup& UnitWindowLookupSlot() {
  static UnitWindowLookup lookup = nullptr;
  return lookup;
}
inline void SetUnitWindowLookup(UnitWindowLookup lookup) {
  UnitWindowLookupSlot() = lookup;
}

// The window handle of a loaded unit. A window or unit that is not loaded is
// a runtime error: "指定窗口或窗口组件不存在或尚未载入" (code page 936).
inline void* UnitWindowHandleOrRaise(uint32_t window, uint32_t unit) {
  void* handle = nullptr;
  UnitWindowLookup lookup = UnitWindowLookupSlot();
  if (lookup == nullptr || !lookup(window, unit, &handle)) {
    ReportError(
        "\xD6\xB8\xB6\xA8\xB4\xB0\xBF\xDA\xBB\xF2\xB4\xB0\xBF\xDA\xD7\xE9\xBC\xFE\xB2\xBB\xB4\xE6"
        "\xD4\xDA\xBB\xF2\xC9\xD0\xCE\xB4\xD4\xD8\xC8\xEB",
        0, window, 0);
  }
  return handle;
}

}  // namespace korvex
