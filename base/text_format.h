// Numbers and messages as text without the C library's formatting engine,
// which the shipped program would otherwise carry for a handful of numbers.
// Nothing here allocates: the texts are built in storage of the caller's, so
// a report of a failed allocation can be built with them too.
// Platform-independent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace korvex {

// The decimal digits of a number, '-' in front of a negative one.
class DecimalText {
 public:
  explicit DecimalText(int64_t value);
  const char* c_str() const { return buffer_ + start_; }
  std::string_view view() const { return {c_str(), sizeof buffer_ - 1 - start_}; }

 private:
  char buffer_[21];  // "-9223372036854775808" and the terminator
  size_t start_;
};

// Writes format into out (capacity bytes, at least one) as a terminated text,
// each printf-style conversion without flags, width or precision (%s, %d,
// %lld, ...) replaced by the next of values in turn, and "%%" by '%'; a
// conversion beyond the values becomes empty. What does not fit is cut off.
// Returns the length written.
size_t FormatText(char* out, size_t capacity, std::string_view format,
                  std::initializer_list<std::string_view> values);

}  // namespace korvex
