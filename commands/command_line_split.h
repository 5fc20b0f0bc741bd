// Splitting a process command line into its arguments, the way the program
// reads its own command line: the program name is skipped, elements are
// plain or quoted, double-byte characters stay whole, and there is no escape
// character. Platform-independent.
#pragma once

#include <cstdint>
#include <vector>

namespace korvex {

// One argument: `length` bytes of the line from `offset`. An empty element
// (two double quotes in a row) has length 0.
struct CommandLineElement {
  int32_t offset;
  int32_t length;
};

// The arguments after the program name, in order. `line` is NUL-terminated.
std::vector<CommandLineElement> SplitCommandLine(const char* line);

}  // namespace korvex
