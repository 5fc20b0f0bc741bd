// The process command line as an array of texts.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "commands/command_line_split.h"
#include "commands/commands.h"
#include "runtime/arg_record.h"
#include "runtime/values.h"

namespace korvex {

// args[0]: a text-array variable by reference; it receives a new array of the
// arguments after the program name, and the array it held is released.
void CommandLineArgsCmd(ArgRecord*, int32_t count, ArgRecord* args) {
  if (count < 1) return;
  void** variable = PointerOf<void*>(args[0]);
  if (variable == nullptr) return;
  const char* line = ::GetCommandLineA();
  const std::vector<CommandLineElement> elements = SplitCommandLine(line);
  const auto n = static_cast<int32_t>(elements.size());

  auto* array = static_cast<uint8_t*>(Allocate(8 + n * kPointerElementWidth));
  const int32_t header[2] = {1, n};
  std::memcpy(array, header, sizeof header);
  for (int32_t i = 0; i < n; ++i) {
    char* text = NewText(line + elements[i].offset, elements[i].length);
    std::memcpy(array + 8 + i * kPointerElementWidth, &text, sizeof text);
  }
  FreeArrayValue(args[0].tag, *variable);
  *variable = array;
}

}  // namespace korvex
