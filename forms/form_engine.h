// What the form engine hands the runtime at start.
#pragma once

#include "runtime/application.h"

namespace korvex::forms {

// Template load, window creation, the window checks and property access, as
// the runtime calls them. Also installs the unit lookup used by commands, the
// names for error reports and the keyboard handling of form windows in the
// runtime's message loops.
korvex::FormEngineHooks FormEngine();

}  // namespace korvex::forms
