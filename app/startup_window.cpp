#include "app/startup_window.h"

namespace korvex::app {

using namespace forms;

namespace {

constexpr int32_t kValueA = 0x025D0C88;
constexpr int32_t kValueB = 0x19010010;
constexpr char kCaption[] = "Korvex 5.6.1.10516";

// A unit placed at (left, top) with the given size.
UnitDescription Unit(uint32_t id, uint32_t type, const char* name, int32_t left, int32_t top,
                     int32_t width, int32_t height) {
  UnitDescription u;
  u.id = id;
  u.type = type;
  u.name = name;
  u.left = left;
  u.top = top;
  u.width = width;
  u.height = height;
  return u;
}

UnitDescription Button(uint32_t id, uint32_t type, const char* name, int32_t left, int32_t handler,
                       const char* caption) {
  UnitDescription u = Unit(id, type, name, left, 13, 100, 30);
  u.flags = kUnitVisible | kUnitTabStop;
  u.events = {{0, handler}};
  ButtonProperties p;
  p.type = 0;
  p.horizontal_alignment = 1;
  p.vertical_alignment = 1;
  p.has_font = true;
  p.font = DefaultUiFont();
  p.caption = caption;
  u.property_block = SerializeButtonProperties(p);
  return u;
}

}  // namespace

WindowDescription StartupWindow(std::span<const uint8_t> icon) {
  WindowDescription d;
  d.id = kMainWindowId;
  d.value_a = kValueA;
  d.value_b = kValueB;

  // The window: 350 x 85 at (50, 50), visible, created -> start-up sequence,
  // close query -> closing routine.
  UnitDescription window = Unit(kWindowUnitId, kUnitTypeWindow, "", 50, 50, 350, 85);
  window.flags = kUnitVisible;
  window.events = {{0, kOnMainWindowCreatedOffset}, {1, kOnMainWindowClosingOffset}};
  WindowProperties wp;  // version 6; the defaults of a new window except:
  wp.field[5] = 0;
  wp.field[6] = 1;
  wp.field[7] = 1;
  wp.field[8] = 1;
  wp.field[9] = 1;
  wp.field[12] = 1;
  wp.field[15] = 1;
  wp.icon.assign(icon.begin(), icon.end());
  wp.caption = kCaption;
  window.property_block = SerializeWindowProperties(wp);
  d.units.push_back(window);

  // "按钮3": manual install.
  d.units.push_back(Button(kManualButtonUnit, kManualButtonUnitType,
                           "\xB0\xB4\xC5\xA5"
                           "3",
                           120, kOnManualInstallOffset,
                           "\xCA\xD6\xB6\xAF\xB0\xB2\xD7\xB0"));  // "手动安装"

  // "标签1": hidden, receives the hot-key notification.
  UnitDescription label = Unit(kHotKeyLabelUnit, kHotKeyLabelUnitType,
                               "\xB1\xEA\xC7\xA9"
                               "1",  // "标签1"
                               -2, 24, 15, 15);
  label.events = {{0, kOnHotKeyFeedbackOffset}};
  LabelProperties lp;  // version 2 with its usual values, empty caption
  lp.has_font = true;
  lp.font = DefaultUiFont();
  label.property_block = SerializeLabelProperties(lp);
  d.units.push_back(label);

  // "按钮2": one-click uninstall; "按钮1": one-click install.
  d.units.push_back(Button(kUninstallButtonUnit, kUninstallButtonUnitType,
                           "\xB0\xB4\xC5\xA5"
                           "2",
                           230, kOnOneClickUninstallOffset,
                           "\xD2\xBB\xBC\xFC\xD0\xB6\xD4\xD8"));  // "一键卸载"
  d.units.push_back(Button(kInstallButtonUnit, kInstallButtonUnitType,
                           "\xB0\xB4\xC5\xA5"
                           "1",
                           10, kOnOneClickInstallOffset,
                           "\xD2\xBB\xBC\xFC\xB0\xB2\xD7\xB0"));  // "一键安装"

  // "ZIP压缩1": the compression unit, no window, no events, empty block.
  d.units.push_back(Unit(kZipCompressorUnit, kZipCompressorUnitType,
                         "ZIP\xD1\xB9\xCB\xF5"
                         "1",  // "ZIP压缩1"
                         -10, -4, 24, 24));
  return d;
}

}  // namespace korvex::app
