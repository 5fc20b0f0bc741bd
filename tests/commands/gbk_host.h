// UTF-8 to code page 936 for host tests, through the C library's converter,
// so that expected GBK bytes are computed rather than copied.
#pragma once

#include <iconv.h>

#include <stdexcept>
#include <string>

namespace korvex::test {

inline std::string Gbk(const std::string& utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no GBK converter");
  std::string out(utf8.size() * 2 + 4, '\0');
  char* in_ptr = const_cast<char*>(utf8.data());
  size_t in_left = utf8.size();
  char* out_ptr = out.data();
  size_t out_left = out.size();
  const size_t done = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1)) throw std::runtime_error("not convertible to GBK");
  out.resize(out.size() - out_left);
  return out;
}

}  // namespace korvex::test
