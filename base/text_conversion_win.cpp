#include <windows.h>

#include <climits>

#include "base/text_conversion.h"

namespace korvex {

std::wstring WideFromText(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(kTextCodePage, 0, text.data(), length, nullptr, 0);
  if (wide <= 0) return {};
  std::wstring result(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(kTextCodePage, 0, text.data(), length, result.data(), wide);
  return result;
}

std::string TextFromWide(std::wstring_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int bytes =
      WideCharToMultiByte(kTextCodePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string result(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(kTextCodePage, 0, text.data(), length, result.data(), bytes, nullptr,
                      nullptr);
  return result;
}

bool WideFromText(const char* text, wchar_t* out, size_t capacity) {
  if (capacity == 0) return false;
  const int room = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
  if (text != nullptr && MultiByteToWideChar(kTextCodePage, 0, text, -1, out, room) > 0) {
    return true;
  }
  out[0] = L'\0';
  return false;
}

}  // namespace korvex
