// Readable descriptions of windows and their units and the serializer that
// turns them into a window template segment. Platform-independent (used by the
// build-time generator and by the tests).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "forms/template_format.h"

namespace korvex::forms {

struct UnitDescription {
  uint32_t id = 0;
  uint32_t type = 0;
  std::string name;  // code page 936 bytes
  std::string remark;
  int32_t left = 0, top = 0, width = 0, height = 0;
  uint32_t parent = 0;
  std::vector<uint32_t> children;
  std::vector<uint8_t> mouse_pointer = {0, 0, 0, 0};  // standard pointer 0
  std::string tag;
  uint32_t flags = 0;
  int32_t focus_order = 0;
  std::vector<EventBinding> events;
  std::vector<uint8_t> property_block;
  // Menu items (unit ids of kind 2) use a shorter record: name, remark, flags,
  // `menu_value`, the caption and the handler offset of their only event.
  uint32_t menu_value = 0;
  std::string caption;
  int32_t menu_handler = -1;
};

struct WindowDescription {
  uint32_t id = 0;
  int32_t value_a = 0;
  int32_t value_b = 0;
  std::string first_name;
  std::string second_name;
  std::vector<UnitDescription> units;  // unit 0 is the window itself
};

// A unit of the given kind placed at (left, top) with the given size; the
// rest of its description keeps its defaults.
UnitDescription PlacedUnit(uint32_t id, uint32_t type, std::string name, int32_t left, int32_t top,
                           int32_t width, int32_t height);

// The data of one unit record (without its size field); the record kind
// follows the unit id.
std::vector<uint8_t> SerializeUnitRecord(const UnitDescription& unit);
// A whole segment: the window table, then each window's record.
std::vector<uint8_t> SerializeWindowTemplate(std::span<const WindowDescription> windows);

}  // namespace korvex::forms
