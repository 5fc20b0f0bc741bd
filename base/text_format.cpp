#include "base/text_format.h"

namespace korvex {

DecimalText::DecimalText(int64_t value) {
  // The magnitude as unsigned, which also holds that of the most negative value.
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  start_ = sizeof buffer_ - 1;
  buffer_[start_] = '\0';
  do {
    buffer_[--start_] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) buffer_[--start_] = '-';
}

namespace {

// Length modifiers that may stand between '%' and the conversion letter.
bool IsLengthModifier(char c) {
  return c == 'h' || c == 'l' || c == 'L' || c == 'j' || c == 'z' || c == 't' || c == 'q';
}

}  // namespace

size_t FormatText(char* out, size_t capacity, std::string_view format,
                  std::initializer_list<std::string_view> values) {
  const size_t limit = capacity - 1;
  size_t length = 0;
  auto put = [&](std::string_view text) {
    for (size_t i = 0; i < text.size() && length < limit; ++i) out[length++] = text[i];
  };
  const std::string_view* next = values.begin();
  size_t i = 0;
  while (i < format.size()) {
    if (format[i] != '%' || i + 1 == format.size()) {
      put(format.substr(i, 1));
      ++i;
      continue;
    }
    if (format[i + 1] == '%') {
      put("%");
      i += 2;
      continue;
    }
    i += 1;
    while (i < format.size() && IsLengthModifier(format[i])) ++i;
    if (i < format.size()) ++i;  // the conversion letter
    if (next != values.end()) put(*next++);
  }
  out[length] = '\0';
  return length;
}

}  // namespace korvex
