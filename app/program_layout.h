// The program's main window, its units and the offsets of its routines in the
// program code block, as C++ constants taken from the one list
// (app/program_layout.def). Platform-independent: read by the window
// description of the build-time generator as well as by the program.
#pragma once

#include <cstdint>

#include "forms/template_format.h"

namespace korvex::app {

// k<Name>Id: the window id.
#define WINDOW(name, id) inline constexpr uint32_t k##name##Id = id;
// k<Name>Offset: the routine's offset from the code base.
#define ROUTINE(name, offset, argument_bytes) inline constexpr uint32_t k##name##Offset = offset;
// k<Name>Unit, k<Name>UnitType: the unit's id and unit type.
#define UNIT(name, id, type)                    \
  inline constexpr uint32_t k##name##Unit = id; \
  inline constexpr uint32_t k##name##UnitType = forms::kUnitType##type;
#include "app/program_layout.def"

}  // namespace korvex::app
