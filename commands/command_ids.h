// Where each command sits: its library index and its position in that
// library's command entry table, both from the lists (runtime/libraries.def,
// commands/commands.def).
#pragma once

#include <cstdint>

#include "runtime/call_protocol.h"

namespace korvex {

// Core library (index 0).
enum CoreCommand : int32_t {
#define CORE_COMMAND(name) k##name,
#include "commands/commands.def"
  kCoreCommandCount
};
// Special-functions library (index 2).
enum SpecialFunctionsCommand : int32_t {
#define SPECIAL_FUNCTIONS_COMMAND(name) k##name,
#include "commands/commands.def"
  kSpecialFunctionsCommandCount
};
// Operating-system interface library (index 3).
enum SystemInterfaceCommand : int32_t {
#define SYSTEM_INTERFACE_COMMAND(name) k##name,
#include "commands/commands.def"
  kSystemInterfaceCommandCount
};
// Extension library one (index 4).
enum ExtensionOneCommand : int32_t {
#define EXTENSION_ONE_COMMAND(name) k##name,
#include "commands/commands.def"
  kExtensionOneCommandCount
};

// The library records of the program image, in table order.
#define LIBRARY(index, record) extern const LibraryRecord record;
#include "runtime/libraries.def"

}  // namespace korvex

// The program's library table: the records above, in table order.
extern "C" const korvex::LibraryRecord* const ProgramLibraryTable[korvex::kLibraryCount];
