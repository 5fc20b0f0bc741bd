// The program's texts are code page 936 bytes whatever the system's code page
// is; the windows and the message box show them through the platform's wide
// functions. The one conversion pair between the two (Windows only).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvex {

inline constexpr uint32_t kTextCodePage = 936;

// Code page 936 bytes to UTF-16, and back; empty when the platform refuses.
std::wstring WideFromText(std::string_view text);
std::string TextFromWide(std::wstring_view text);

// The same for a zero-terminated text into a fixed buffer, for callers that
// must not allocate (the report of a failed allocation). A text that does not
// fit, terminator included, or that the platform refuses, leaves the empty
// text and returns false.
bool WideFromText(const char* text, wchar_t* out, size_t capacity);
template <size_t Capacity>
bool WideFromText(const char* text, wchar_t (&out)[Capacity]) {
  return WideFromText(text, out, Capacity);
}

}  // namespace korvex
