// The one door through which the program's code reaches commands and the
// runtime: the runtime entry table. Tests may swap entries (for example a
// recording library table) to see every call a routine makes.
#pragma once

#include <cstdint>

#include "runtime/arg_record.h"
#include "runtime/library_record.h"

namespace korvex {

// Library indexes in the program's library table.
enum LibraryIndex : int32_t {
#define LIBRARY(index, record) index,
#include "runtime/libraries.def"
  kLibraryCount
};

// The libraries the runtime calls into, by index. Set at start-up from the
// program image; a test may install a table of its own.
void SetLibraryTable(const LibraryRecord* const* table, int32_t count);
const LibraryRecord* LibraryAt(int32_t index);  // null when out of range
int32_t LibraryTableCount();

// Calls command `command` of library `library` with a zeroed result record.
ArgRecord CallLibraryCommand(int32_t library, int32_t command, int32_t count, ArgRecord* args);
ArgRecord CallCoreCommand(int32_t command, int32_t count, ArgRecord* args);

// The runtime's service callback handed to every library at start.
intptr_t RuntimeService(int32_t code, intptr_t p1, intptr_t p2);
// What service 2018 runs: the message loop's pending-message pump.
void SetProcessPendingMessagesHook(void (*hook)());
// What service 2030 reports (the program kind of the information block).
void SetProgramKind(int32_t kind);

// The runtime entry table, in its fixed order. report_error and end_program
// never return on the real runtime; a test replacement may.
struct RuntimeEntryTable {
  void (*report_error)(int32_t code, uint32_t location, int32_t line);
  // Declared external function `index` with word-sized arguments (first
  // argument first); caller_cleans for functions whose caller removes the
  // arguments. location and line name the call in a stack error report.
  uintptr_t (*call_declared)(int32_t index, int32_t argc, const uintptr_t* argv,
                             int32_t caller_cleans, uint32_t location, int32_t line);
  ArgRecord (*call_library)(int32_t library, int32_t command, int32_t count, ArgRecord* args);
  ArgRecord (*call_core)(int32_t command, int32_t count, ArgRecord* args);
  ArgRecord (*read_property)(uint32_t window, uint32_t unit, int32_t property, int32_t index);
  void (*write_property)(uint32_t window, uint32_t unit, int32_t property, int32_t index,
                         uint32_t low, uint32_t high);
  void* (*allocate)(int32_t bytes);
  void* (*reallocate)(void* block, int32_t bytes);
  void (*free)(void* block);
  void (*end_program)(uint32_t exit_code);
  void (*run)();
  void (*load_startup_window)(uint32_t window_id);
  intptr_t (*service)(int32_t number, intptr_t a, intptr_t b, intptr_t c, intptr_t d);
};

// The live table. It starts with the call protocol's own entries; declared
// functions (InitDeclaredFunctions) and the application's run, start-up
// window, property and service entries (InstallRuntimeEntries) are filled in
// when those are set up.
RuntimeEntryTable& Runtime();
// Puts back the runtime's own entries (tests that swapped some).
void ResetRuntimeEntriesForTesting();

}  // namespace korvex
