#include "tests/template/template_test_support.h"

#include "app/startup_window.h"
#include "tools/window_template/program_icon.h"
#include "runtime/errors.h"

namespace korvex::forms::testing {

const std::vector<uint8_t>& GeneratedIcon() {
  static const std::vector<uint8_t> icon = tools::MakeProgramIcon();
  return icon;
}

const std::vector<uint8_t>& GeneratedSegment() {
  static const std::vector<uint8_t> segment = [] {
    const WindowDescription windows[] = {app::StartupWindow(GeneratedIcon())};
    return SerializeWindowTemplate(windows);
  }();
  return segment;
}

namespace {

FatalError g_last;

int32_t CaptureHandler(int32_t code, const char* text) {
  g_last = {code, text ? text : ""};
  return 1;  // no message box
}

}  // namespace

const FatalError& LastFatalError() {
  return g_last;
}

void FatalCapture::SetUp() {
  korvex::ResetProgramEndForTesting();
  korvex::SetErrorHandler(CaptureHandler);
  ::korvex::testing::TrapProgramEnd();
  Windows().Clear();
}

void FatalCapture::TearDown() {
  Windows().Clear();
  korvex::ResetProgramEndForTesting();
  korvex::SetProcessExitForTesting(nullptr);
}

FatalError ExpectFatalLoad(const std::vector<uint8_t>& segment, uintptr_t code_base) {
  // An exact-size copy, so that any read past the end is caught by ASan.
  const std::vector<uint8_t> copy(segment.begin(), segment.end());
  const size_t before = Windows().Count();
  const std::optional<FatalError> error =
      FatalErrorOf([&] { Windows().Load(copy.data(), copy.size(), code_base); });
  if (!error) {
    ADD_FAILURE() << "load of a malformed segment of " << segment.size() << " bytes succeeded";
    return {};
  }
  EXPECT_EQ(Windows().Count(), before) << "a failed load appended windows";
  return *error;
}

}  // namespace korvex::forms::testing
