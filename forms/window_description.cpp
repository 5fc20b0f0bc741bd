#include "forms/window_description.h"

#include <utility>

namespace korvex::forms {

UnitDescription PlacedUnit(uint32_t id, uint32_t type, std::string name, int32_t left, int32_t top,
                           int32_t width, int32_t height) {
  UnitDescription u;
  u.id = id;
  u.type = type;
  u.name = std::move(name);
  u.left = left;
  u.top = top;
  u.width = width;
  u.height = height;
  return u;
}

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

}  // namespace korvex::forms
