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
#include "tests/support/gbk.h"
#include "tests/support/program_end.h"

#ifdef _WIN32
#include <windows.h>
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

}  // namespace korvex::testing
