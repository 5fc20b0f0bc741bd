// Pieces shared by the unit types with a window of their own.
#pragma once

#include <windows.h>

#include "forms/form_window.h"

namespace korvex::forms {

struct UnitPlacement {
  HWND parent = nullptr;
  int left = 0, top = 0, width = 0, height = 0;
  DWORD style = 0;  // WS_CHILD with WS_VISIBLE, WS_DISABLED and WS_TABSTOP from the flags
};
// Where the unit's window goes: its parent unit's window (or the form's), the
// stored geometry and the flags.
UnitPlacement PlacementOf(const FormWindow& form, int32_t index);

}  // namespace korvex::forms
