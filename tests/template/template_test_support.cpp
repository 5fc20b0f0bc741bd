#include "tests/template/template_test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include "app/startup_window.h"
#include "forms/icon_image.h"
#include "runtime/errors.h"

namespace korvex::forms::testing {

const std::vector<uint8_t>& GeneratedIcon() {
  static const std::vector<uint8_t> icon = MakeProgramIcon();
  return icon;
}

const std::vector<uint8_t>& GeneratedSegment() {
  static const std::vector<uint8_t> segment = [] {
    const WindowDescription windows[] = {app::StartupWindow(GeneratedIcon())};
    return SerializeWindowTemplate(windows);
  }();
  return segment;
}

std::string Gbk(const char* utf8) {
  std::string out;
#ifdef _WIN32
  const int wide_length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(wide_length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide.data(), wide_length);
  const int length = WideCharToMultiByte(936, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  out.assign(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(936, 0, wide.c_str(), -1, out.data(), length, nullptr, nullptr);
  out.resize(out.size() - 1);  // the terminator
#else
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    ADD_FAILURE() << "no UTF-8 -> GBK conversion";
    return out;
  }
  std::string in(utf8);
  char* src = in.data();
  size_t src_left = in.size();
  char buffer[256];
  char* dst = buffer;
  size_t dst_left = sizeof(buffer);
  if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<size_t>(-1)) {
    ADD_FAILURE() << "conversion of " << utf8 << " failed";
  }
  out.assign(buffer, static_cast<size_t>(dst - buffer));
  iconv_close(cd);
#endif
  return out;
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
