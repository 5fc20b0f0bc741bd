// Every command of the five support libraries (commands/commands.def).
#pragma once

#include <cstdint>

#include "runtime/arg_record.h"

namespace korvex {

#define COMMAND(name) void name(ArgRecord* result, int32_t count, ArgRecord* args);
#include "commands/commands.def"

}  // namespace korvex
