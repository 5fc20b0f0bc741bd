// Shared pieces of the runtime tests: the end of the program caught
// (tests/support/program_end.h), captured reports, and code page 936 texts
// from readable UTF-8.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/call_protocol.h"
#include "runtime/errors.h"
#include "runtime/values.h"
#include "tests/support/program_end.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace korvex::testing {

// What reached the error handler and the message box.
struct Captured {
  std::vector<std::pair<int32_t, std::string>> handled;
  std::vector<std::string> boxes;
  std::vector<std::string> box_titles;
  std::vector<uint32_t> box_styles;
  int32_t handler_result = 1;
};
inline Captured& Capture() {
  static Captured captured;
  return captured;
}
inline int32_t CapturingHandler(int32_t code, const char* text) {
  Capture().handled.emplace_back(code, text);
  return Capture().handler_result;
}
inline void CapturingBox(const char* text, const char* title, uint32_t style) {
  Capture().boxes.emplace_back(text);
  Capture().box_titles.emplace_back(title);
  Capture().box_styles.push_back(style);
}

// A fresh end state after a test has ended the program once.
inline void Rearm(ErrorHandler handler = nullptr) {
  ResetProgramEndForTesting();
  TrapProgramEnd();
  SetErrorHandler(handler);
}

// Every test starts from a fresh end state with the end caught.
class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramEndForTesting();
    ResetRuntimeEntriesForTesting();
    TrapProgramEnd();
    SetMessageBoxForTesting(CapturingBox);
    SetAllocationLimitForTesting(0);
    ClearConstantSegment();
    Capture() = Captured{};
  }
  void TearDown() override {
    SetAllocationLimitForTesting(0);
    ClearConstantSegment();
    ResetProgramEndForTesting();
  }
};

// Code page 936 bytes of a UTF-8 text.
inline std::string Gbk(const std::string& utf8) {
#ifdef _WIN32
  int wide_length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(wide_length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                      wide_length);
  int length = WideCharToMultiByte(936, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(936, 0, wide.data(), wide_length, out.data(), length, nullptr, nullptr);
  return out;
#else
  iconv_t cd = iconv_open("GBK", "UTF-8");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string in = utf8;
  std::string out(utf8.size() * 2 + 4, '\0');
  char* in_p = in.data();
  size_t in_left = in.size();
  char* out_p = out.data();
  size_t out_left = out.size();
  size_t r = iconv(cd, &in_p, &in_left, &out_p, &out_left);
  EXPECT_NE(r, static_cast<size_t>(-1));
  iconv_close(cd);
  out.resize(out.size() - out_left);
  return out;
#endif
}

}  // namespace korvex::testing
