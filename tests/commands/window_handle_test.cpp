// GetWindowHandleCmd through the form engine's unit lookup, on a window opened
// from a serializer-built template: a window, a label and the compression
// unit, which has no platform window of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/commands.h"
#include "forms/form_engine.h"
#include "forms/form_window.h"
#include "forms/template_loader.h"
#include "forms/window_description.h"
#include "runtime/unit_lookup.h"
#include "tests/commands/win_test_util.h"

namespace korvex {
namespace {

using namespace forms;
using test::Call;

constexpr uint32_t kWindowId = 0x52010007;
constexpr uint32_t kLabelUnit = 0x16010002;
constexpr uint32_t kCompressorUnit = 0x16010003;

std::vector<uint8_t> Segment() {
  WindowDescription d;
  d.id = kWindowId;
  UnitDescription window;
  window.id = kWindowUnitId;
  window.type = kUnitTypeWindow;
  window.name = "w";
  window.width = 200;
  window.height = 100;
  window.property_block = SerializeWindowProperties(WindowProperties{});
  d.units.push_back(window);
  UnitDescription label;
  label.id = kLabelUnit;
  label.type = kUnitTypeLabel;
  label.name = "label";
  label.width = label.height = 15;
  label.property_block = SerializeLabelProperties(LabelProperties{});
  d.units.push_back(label);
  UnitDescription compressor;
  compressor.id = kCompressorUnit;
  compressor.type = kUnitTypeZipCompressor;
  compressor.name = "zip";
  compressor.width = compressor.height = 24;
  d.units.push_back(compressor);
  const WindowDescription windows[] = {d};
  return SerializeWindowTemplate(windows);
}

int32_t WindowHandle(uint32_t window, uint32_t unit, uint32_t type) {
  return IntOf(Call(GetWindowHandleCmd, {MakeUnitRef(window, unit, type)}));
}

int32_t HandleValue(HWND window) {
  return static_cast<int32_t>(reinterpret_cast<uintptr_t>(window));
}

class WindowHandleTest : public testing::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    SetErrorHandler(testing::CapturingHandler);
    FormEngine();  // installs the unit lookup
    segment_ = Segment();
    Windows().Clear();
    Windows().Load(segment_.data(), segment_.size(), 0x400000);
    ASSERT_TRUE(LoadWindow(kWindowId));
    form_ = FindForm(kWindowId);
    ASSERT_NE(form_, nullptr);
  }
  void TearDown() override {
    if (FindForm(kWindowId) != nullptr) DestroyWindow(form_->handle());
    Windows().Clear();
    SetUnitWindowLookup(nullptr);
    RuntimeTest::TearDown();
  }

  // The runtime error that `action` ends the program with ("" when it did not).
  template <typename Action>
  static std::string FatalReport(Action action) {
    testing::Rearm(testing::CapturingHandler);
    testing::Capture() = testing::Captured{};
    const testing::EndOutcome end = testing::RunToEnd(action);
    if (!end.ended()) return "";
    EXPECT_EQ(end.exit_code, kFatalExitCode);
    return testing::Capture().handled.empty() ? "?" : testing::Capture().handled[0].second;
  }

  std::vector<uint8_t> segment_;
  FormWindow* form_ = nullptr;
};

TEST_F(WindowHandleTest, LoadedUnitsGiveTheirPlatformWindow) {
  EXPECT_EQ(WindowHandle(kWindowId, kWindowUnitId, kUnitTypeWindow), HandleValue(form_->handle()));
  const int32_t label = WindowHandle(kWindowId, kLabelUnit, kUnitTypeLabel);
  EXPECT_NE(label, 0);
  EXPECT_EQ(GetParent(reinterpret_cast<HWND>(static_cast<intptr_t>(label))), form_->handle());
}

TEST_F(WindowHandleTest, LoadedUnitWithoutAPlatformWindowGivesZero) {
  int32_t handle = -1;
  EXPECT_EQ(FatalReport(
                [&] { handle = WindowHandle(kWindowId, kCompressorUnit, kUnitTypeZipCompressor); }),
            "");
  EXPECT_EQ(handle, 0);
}

TEST_F(WindowHandleTest, UnitsNotLoadedEndTheProgram) {
  const std::string message = testing::Gbk("指定窗口或窗口组件不存在或尚未载入");
  // A unit the open window does not have.
  EXPECT_EQ(
      FatalReport([] { WindowHandle(kWindowId, 0x16010099, kUnitTypeLabel); }).rfind(message, 0),
      0u);
  // A window that is not open: another id, then this one once closed.
  EXPECT_EQ(FatalReport([] {
              WindowHandle(kWindowId + 1, kLabelUnit, kUnitTypeLabel);
            }).rfind(message, 0),
            0u);
  DestroyWindow(form_->handle());
  ASSERT_EQ(FindForm(kWindowId), nullptr);
  EXPECT_EQ(FatalReport([] {
              WindowHandle(kWindowId, kCompressorUnit, kUnitTypeZipCompressor);
            }).rfind(message, 0),
            0u);
}

}  // namespace
}  // namespace korvex
