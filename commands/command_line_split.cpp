#include "commands/command_line_split.h"

namespace korvex {
namespace {

constexpr unsigned char kQuote = '"';

bool IsSeparator(unsigned char c) {
  return c <= 0x20;
}
bool IsLeadByte(unsigned char c) {
  return (c & 0x80) != 0;
}

}  // namespace

std::vector<CommandLineElement> SplitCommandLine(const char* line) {
  std::vector<CommandLineElement> elements;
  const auto* bytes = reinterpret_cast<const unsigned char*>(line);
  int32_t i = 0;

  // The program name: quoted up to the next quote (and one blank after it),
  // or plain up to and including the first blank.
  if (bytes[0] == kQuote) {
    ++i;
    while (bytes[i] != 0 && bytes[i] != kQuote) ++i;
    if (bytes[i] == 0) return elements;
    ++i;
    if (bytes[i] == ' ') ++i;
  } else {
    while (bytes[i] != 0 && bytes[i] != ' ') ++i;
    if (bytes[i] == 0) return elements;
    ++i;
  }

  while (bytes[i] != 0) {
    const unsigned char c = bytes[i];
    if (IsSeparator(c)) {
      ++i;
      continue;
    }
    const bool quoted = c == kQuote;
    if (quoted) ++i;
    const int32_t start = i;
    while (bytes[i] != 0) {
      const unsigned char b = bytes[i];
      if (quoted ? b == kQuote : (b == kQuote || IsSeparator(b))) break;
      if (IsLeadByte(b)) {
        if (bytes[i + 1] == 0) break;  // a lone lead byte at the end
        i += 2;
      } else {
        ++i;
      }
    }
    elements.push_back({start, i - start});
    if (bytes[i] == 0) break;
    if (IsLeadByte(bytes[i])) break;  // the lone lead byte is dropped; the line ends
    if (quoted) ++i;                  // the closing quote
  }
  return elements;
}

}  // namespace korvex
