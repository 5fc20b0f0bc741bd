#include "forms/window_description.h"

namespace korvex::forms {

std::vector<uint8_t> SerializeUnitRecord(const UnitDescription& u) {
  ByteWriter w;
  w.UInt32(u.type);
  w.Zeros(20);
  w.ZeroText(u.name);
  w.ZeroText(u.remark);
  w.UInt32(0);  // object slot
  if (UnitKind(u.id) == kUnitKindMenuItem) {
    w.UInt32(u.menu_value);
    w.UInt32(u.flags);
    w.ZeroText(u.caption);
    w.Int32(u.menu_handler);
    return w.Take();
  }
  w.Int32(u.left);
  w.Int32(u.top);
  w.Int32(u.width);
  w.Int32(u.height);
  w.UInt32(0);  // pointer slot
  w.UInt32(u.parent);
  w.Int32(static_cast<int32_t>(u.children.size()));
  for (uint32_t child : u.children) w.UInt32(child);
  w.CountedBlock(u.mouse_pointer);
  w.ZeroText(u.tag);
  w.Int32(0);  // reserved
  w.UInt32(u.flags);
  w.Int32(u.focus_order);
  w.Int32(static_cast<int32_t>(u.events.size()));
  for (const EventBinding& e : u.events) {
    w.Int32(e.event);
    w.Int32(e.handler);
  }
  w.Zeros(20);
  w.Bytes(u.property_block);
  return w.Take();
}

namespace {

std::vector<uint8_t> SerializeUnitBuffer(const WindowDescription& window) {
  std::vector<std::vector<uint8_t>> records;
  for (const UnitDescription& u : window.units) records.push_back(SerializeUnitRecord(u));
  ByteWriter w;
  for (const UnitDescription& u : window.units) w.UInt32(u.id);
  size_t offset = 0;
  for (const auto& r : records) {
    w.Int32(static_cast<int32_t>(offset));
    offset += 4 + r.size();
  }
  for (const auto& r : records) w.CountedBlock(r);
  return w.Take();
}

}  // namespace

std::vector<uint8_t> SerializeWindowTemplate(std::span<const WindowDescription> windows) {
  ByteWriter w;
  w.Int32(static_cast<int32_t>(windows.size() * 8));
  for (const WindowDescription& d : windows) w.UInt32(d.id);
  for (size_t i = 0; i < windows.size(); ++i) w.UInt32(0);  // placeholders
  for (const WindowDescription& d : windows) {
    w.Int32(d.value_a);
    w.Int32(d.value_b);
    w.CountedText(d.first_name);
    w.CountedText(d.second_name);
    w.Int32(static_cast<int32_t>(d.units.size()));
    w.CountedBlock(SerializeUnitBuffer(d));
  }
  return w.Take();
}

// --- This program's start-up window -------------------------------------------------

namespace {

UnitDescription Button(uint32_t id, const char* name, int32_t left, int32_t handler,
                       const char* caption) {
  UnitDescription u;
  u.id = id;
  u.type = kUnitTypeButton;
  u.name = name;
  u.left = left;
  u.top = 13;
  u.width = 100;
  u.height = 30;
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
  using namespace startup;
  WindowDescription d;
  d.id = kWindowId;
  d.value_a = kValueA;
  d.value_b = kValueB;

  // The window: 350 x 85 at (50, 50), visible, created -> start-up sequence,
  // close query -> closing routine.
  UnitDescription window;
  window.id = kWindowUnitId;
  window.type = kUnitTypeWindow;
  window.left = 50;
  window.top = 50;
  window.width = 350;
  window.height = 85;
  window.flags = kUnitVisible;
  window.events = {{0, kOnCreated}, {1, kOnClosing}};
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

  // Manual install.
  d.units.push_back(
      Button(kManualButtonId, kManualButtonName, 120, kOnManualInstall, kManualButtonCaption));

  // A hidden label, receives the hot-key notification.
  UnitDescription label;
  label.id = kHotKeyLabelId;
  label.type = kUnitTypeLabel;
  label.name = kHotKeyLabelName;
  label.left = -2;
  label.top = 24;
  label.width = 15;
  label.height = 15;
  label.flags = 0;
  label.events = {{0, kOnHotKey}};
  LabelProperties lp;  // version 2 with its usual values, empty caption
  lp.has_font = true;
  lp.font = DefaultUiFont();
  label.property_block = SerializeLabelProperties(lp);
  d.units.push_back(label);

  // One-click uninstall and one-click install.
  d.units.push_back(
      Button(kUninstallButtonId, kUninstallButtonName, 230, kOnUninstall, kUninstallButtonCaption));
  d.units.push_back(
      Button(kInstallButtonId, kInstallButtonName, 10, kOnInstall, kInstallButtonCaption));

  // The compression unit: no window, no events, empty block.
  UnitDescription zip;
  zip.id = kZipUnitId;
  zip.type = kUnitTypeZipCompressor;
  zip.name = kZipUnitName;
  zip.left = -10;
  zip.top = -4;
  zip.width = 24;
  zip.height = 24;
  d.units.push_back(zip);
  return d;
}

}  // namespace korvex::forms
