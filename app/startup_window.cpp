#include "app/startup_window.h"

#include "app/texts.h"

namespace korvex::app {

using namespace forms;

namespace {

constexpr int32_t kValueA = 0x025D0C88;
constexpr int32_t kValueB = 0x19010010;
constexpr char kCaption[] = "Korvex 5.6.1.10516";

UnitDescription Button(uint32_t id, uint32_t type, const char* name, int32_t left, int32_t handler,
                       const char* caption) {
  UnitDescription u = PlacedUnit(id, type, name, left, 13, 100, 30);
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
  UnitDescription window = PlacedUnit(kWindowUnitId, kUnitTypeWindow, "", 50, 50, 350, 85);
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
  d.units.push_back(Button(kManualButtonUnit, kManualButtonUnitType, kManualButtonName, 120,
                           kOnManualInstallOffset, kManualButtonCaption));

  // "标签1": hidden, receives the hot-key notification.
  UnitDescription label =
      PlacedUnit(kHotKeyLabelUnit, kHotKeyLabelUnitType, kHotKeyLabelName, -2, 24, 15, 15);
  label.events = {{0, kOnHotKeyFeedbackOffset}};
  LabelProperties lp;  // version 2 with its usual values, empty caption
  lp.has_font = true;
  lp.font = DefaultUiFont();
  label.property_block = SerializeLabelProperties(lp);
  d.units.push_back(label);

  // "按钮2": one-click uninstall; "按钮1": one-click install.
  d.units.push_back(Button(kUninstallButtonUnit, kUninstallButtonUnitType, kUninstallButtonName,
                           230, kOnOneClickUninstallOffset, kUninstallButtonCaption));
  d.units.push_back(Button(kInstallButtonUnit, kInstallButtonUnitType, kInstallButtonName, 10,
                           kOnOneClickInstallOffset, kInstallButtonCaption));

  // "ZIP压缩1": the compression unit, no window, no events, empty block.
  d.units.push_back(
      PlacedUnit(kZipCompressorUnit, kZipCompressorUnitType, kZipUnitName, -10, -4, 24, 24));
  return d;
}

}  // namespace korvex::app
