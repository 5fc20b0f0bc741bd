// The names in the location text of an error report come from the loaded
// template through the form engine: line 0 names the window's own unit,
// whatever id that unit has.
#include <gtest/gtest.h>

#include "forms/form_engine.h"
#include "forms/window_description.h"
#include "runtime/errors.h"
#include "runtime/unit_lookup.h"
#include "tests/template/template_test_support.h"

namespace korvex::forms {
namespace {

class LocationNamesTest : public testing::FatalCapture {
 protected:
  void TearDown() override {
    SetUnitWindowLookup(nullptr);
    FatalCapture::TearDown();
  }
};

TEST_F(LocationNamesTest, LineZeroNamesTheWindowsOwnUnit) {
  constexpr uint32_t kWindowId = 0x52010009;
  constexpr uint32_t kOwnUnit = 0x06010005;  // not the usual 0x06010000
  WindowDescription d;
  d.id = kWindowId;
  UnitDescription window;
  window.id = kOwnUnit;
  window.type = kUnitTypeWindow;
  window.name = "Main";
  window.property_block = SerializeWindowProperties(WindowProperties{});
  d.units.push_back(window);
  UnitDescription button;
  button.id = 0x16010004;
  button.type = kUnitTypeButton;
  button.name = "B1";
  button.property_block = SerializeButtonProperties(ButtonProperties{});
  d.units.push_back(button);
  const WindowDescription windows[] = {d};
  const std::vector<uint8_t> segment = SerializeWindowTemplate(windows);

  FormEngine();  // the names of the reports
  Windows().Load(segment.data(), segment.size(), 0x400000);
  ASSERT_NE(Windows().Find(kWindowId), nullptr);
  EXPECT_EQ(BuildLocationText(kWindowId, 0), "\r\n1375797257, 0\r\n\"Main\"\r\n\"Main\"\r\n");
  EXPECT_EQ(BuildLocationText(kWindowId, 0x16010004),
            "\r\n1375797257, 369164292\r\n\"Main\"\r\n\"B1\"\r\n");
  // The id 0x06010000 is nobody's in this window.
  EXPECT_EQ(BuildLocationText(kWindowId, 0x06010000), "\r\n1375797257, 100728832\r\n\"Main\"\r\n" +
                                                          testing::Gbk("未找到所指定的窗口组件") +
                                                          "\r\n");
}

}  // namespace
}  // namespace korvex::forms
