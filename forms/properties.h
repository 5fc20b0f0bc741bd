// Reading and writing unit properties while a window is open: the common
// properties 0..7 live in the unit records, the rest belong to each unit type
// (property number 8 + the type's own number).
#pragma once

#include <cstdint>

#include "runtime/arg_record.h"

namespace korvex::forms {

enum CommonProperty : int32_t {
  kPropertyLeft = 0,
  kPropertyTop = 1,
  kPropertyWidth = 2,
  kPropertyHeight = 3,
  kPropertyTag = 4,
  kPropertyVisible = 5,
  kPropertyDisabled = 6,
  kPropertyMousePointer = 7,
  kFirstUnitTypeProperty = 8,
};
inline constexpr int32_t kPositionLimit = 32627;

// Property 7 is an integer: a standard pointer number, or kPointerImage for
// the unit's cursor image from the template. Writing kPointerImage leaves the
// pointer as it is, so that writing back what was read never changes it.
inline constexpr int32_t kPointerImage = -1;

// Menu items have the visible (5) and disabled (6) properties of every unit,
// kept in their flags, and two of their own: 8 caption (a text) and 9 checked
// (a boolean). Their other numbers are no properties.
enum MenuItemProperty : int32_t {
  kMenuItemCaption = 0,
  kMenuItemCheck = 1,
};

// The unit type's own number of a property (property - 8); false for the
// common properties and every number below them, negative ones included.
constexpr bool UnitTypePropertyNumber(int32_t property, int32_t* number) {
  if (property < kFirstUnitTypeProperty) return false;
  *number = property - kFirstUnitTypeProperty;
  return true;
}

// The runtime entries. The value of a text property is a new Text owned by
// the caller; writes of texts take the Text from the value's low word (both
// words on a 64-bit build), and pictures and fonts likewise a ByteSet. The
// index is -1 for a plain property and selects the sub-property of a font
// property (FontSubProperty). A property number that the unit's type does not
// have is a fatal runtime error ("指定的窗口组件属性不存在"), as are the
// window and unit lookups. A write first and last dispatches the messages
// that are waiting.
ArgRecord ReadUnitProperty(uint32_t window, uint32_t unit, int32_t property, int32_t index);
void WriteUnitProperty(uint32_t window, uint32_t unit, int32_t property, int32_t index,
                       uint32_t low, uint32_t high);

}  // namespace korvex::forms
