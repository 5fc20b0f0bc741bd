#include "tests/support/gbk.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace korvex::testing {

std::string Gbk(std::string_view utf8) {
  if (utf8.empty()) return {};
  std::string out;
#ifdef _WIN32
  const int utf8_length = static_cast<int>(utf8.size());
  const int wide_length =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), utf8_length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(wide_length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), utf8_length, wide.data(),
                      wide_length);
  const int length =
      WideCharToMultiByte(936, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
  if (wide_length <= 0 || length <= 0) {
    ADD_FAILURE() << "no code page 936 text for " << utf8;
    return out;
  }
  out.assign(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(936, 0, wide.data(), wide_length, out.data(), length, nullptr, nullptr);
#else
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    ADD_FAILURE() << "no UTF-8 -> GBK conversion";
    return out;
  }
  std::string in(utf8);
  out.assign(in.size(), '\0');  // no character is longer in GBK than in UTF-8
  char* src = in.data();
  size_t src_left = in.size();
  char* dst = out.data();
  size_t dst_left = out.size();
  if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<size_t>(-1)) {
    ADD_FAILURE() << "no code page 936 text for " << utf8;
  }
  out.resize(out.size() - dst_left);
  iconv_close(cd);
#endif
  return out;
}

}  // namespace korvex::testing
