// Code page 936 bytes of a readable UTF-8 text, converted by the platform
// (iconv on the host, the Win32 conversion functions on Windows), never by the
// program's own code: what the tests compare the program's texts with.
#pragma once

#include <string>
#include <string_view>

namespace korvex::testing {

// Fails the calling test when the text does not convert.
std::string Gbk(std::string_view utf8);

}  // namespace korvex::testing
