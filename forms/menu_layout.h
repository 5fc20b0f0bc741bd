// The menu of a window as its unit table describes it. Platform-independent:
// the form engine builds the platform's menu from these entries.
//
// The menu is made of the first run of consecutive menu-item records in the
// unit table (unit ids of kind 2, unit type 0x10003); menu items elsewhere in
// the table belong to no menu. The template leaves open what the uint32 after
// a menu item's object slot means, which states flag bits 1 and 2 are, and
// what the window's flag bit 3 does; this form engine decides:
// - the uint32 is the item's nesting level: 0 puts the item on the menu bar,
//   n puts it into the submenu of the nearest item before it whose level is
//   n - 1. An item that has items of a deeper level right after it opens
//   that submenu instead of being chosen. A level deeper than the item before
//   it allows (more than one step down, or any level on the first item) is
//   taken as one step down (0 on the first item).
// - flag bit 0 leaves the item out, with every item of its submenu; bit 1
//   shows it greyed, and it cannot be chosen (nor can the items of its
//   submenu, which stays closed); bit 2 shows it with a check mark. Bit 1 is
//   the bit that the disabled property of every other unit keeps.
// - the window's flag bit 3 changes nothing: every window whose unit table
//   holds menu items shows them as its menu bar.
// - choosing an item raises the item's event 0 with no arguments; its
//   result is not used.
#pragma once

#include <cstdint>
#include <vector>

#include "forms/template_loader.h"

namespace korvex::forms {

struct MenuEntry {
  int32_t index = 0;       // unit index of the item
  uint32_t level = 0;      // 0 on the menu bar
  bool popup = false;      // opens the submenu of the entries that follow
  bool disabled = false;   // flag bit 1 of the item itself
  bool checked = false;    // flag bit 2
  bool choosable = false;  // not a popup, and neither it nor an enclosing item disabled
};

// The entries shown, in menu order (which is unit-table order).
std::vector<MenuEntry> MenuLayout(const WindowRecord& record);

}  // namespace korvex::forms
