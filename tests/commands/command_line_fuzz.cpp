// Fuzzes the command-line splitter: any line splits into elements that lie
// inside it, in order, without overlapping.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "commands/command_line_split.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);  // stops at a NUL
  const int32_t length = static_cast<int32_t>(std::char_traits<char>::length(line.c_str()));
  int32_t end_of_previous = 0;
  for (const korvex::CommandLineElement& e : korvex::SplitCommandLine(line.c_str())) {
    if (e.length < 0 || e.offset < end_of_previous || e.offset + e.length > length) std::abort();
    end_of_previous = e.offset + e.length;
  }
  return 0;
}
