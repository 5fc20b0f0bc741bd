// Shared pieces of the window template tests: the program's generated segment
// and a fixture that captures the fatal runtime error.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "forms/template_loader.h"
#include "tests/support/gbk.h"
#include "tests/support/program_end.h"

namespace korvex::forms::testing {

// The segment the build generates, produced in-process.
const std::vector<uint8_t>& GeneratedSegment();
const std::vector<uint8_t>& GeneratedIcon();

using ::korvex::testing::Gbk;

struct FatalError {
  int32_t code;
  std::string text;
};

// Captures fatal runtime errors: what the last report said.
class FatalCapture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};
const FatalError& LastFatalError();

// Runs the action under a FatalCapture: the error it ended the program with,
// or none when it returned.
template <typename Action>
std::optional<FatalError> FatalErrorOf(Action&& action) {
  if (!::korvex::testing::RunToEnd(action).ended()) return std::nullopt;
  return LastFatalError();
}

// Loads into the process-wide window set and returns the fatal error raised,
// or fails the test when the load succeeds.
FatalError ExpectFatalLoad(const std::vector<uint8_t>& segment, uintptr_t code_base = 0x400000);

}  // namespace korvex::forms::testing
