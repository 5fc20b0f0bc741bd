// The description of the program's start-up window, from which the build
// generates the window template segment. Its ids and handler offsets are
// those of app/program_layout.def. Platform-independent (used by the
// build-time generator and by the tests).
#pragma once

#include <cstdint>
#include <span>

#include "app/program_layout.h"
#include "forms/window_description.h"

namespace korvex::app {

// The start-up window with the given icon file as its icon.
forms::WindowDescription StartupWindow(std::span<const uint8_t> icon);

}  // namespace korvex::app
