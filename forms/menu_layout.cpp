#include "forms/menu_layout.h"

namespace korvex::forms {

std::vector<MenuEntry> MenuLayout(const WindowRecord& record) {
  std::vector<MenuEntry> entries;
  int32_t first = 0;
  while (first < record.UnitCount() && !record.IsMenuItem(first)) ++first;

  // Levels are clamped against the item before, shown or not, so that the
  // items of a hidden item's submenu are recognised as such.
  uint32_t previous_level = 0;
  bool any_before = false;
  // While set, items deeper than `hidden_level` are inside a hidden item.
  bool hiding = false;
  uint32_t hidden_level = 0;
  // Per open level: whether the enclosing items so far are all enabled.
  std::vector<bool> enabled_path;
  for (int32_t index = first; index < record.UnitCount() && record.IsMenuItem(index); ++index) {
    const uint32_t stored = record.ReadField(index, UnitField::kMenuLevel);
    const uint32_t deepest = any_before ? previous_level + 1 : 0;
    const uint32_t level = stored < deepest ? stored : deepest;
    previous_level = level;
    any_before = true;

    if (hiding && level > hidden_level) continue;
    hiding = false;
    const uint32_t flags = record.ReadField(index, UnitField::kFlags);
    if (flags & kMenuItemHidden) {
      hiding = true;
      hidden_level = level;
      continue;
    }
    // Shown items never skip a level: their enclosing item is shown too.
    if (!entries.empty() && level > entries.back().level) entries.back().popup = true;
    enabled_path.resize(level);
    const bool path_enabled = level == 0 || enabled_path[level - 1];
    MenuEntry entry;
    entry.index = index;
    entry.level = level;
    entry.disabled = (flags & kMenuItemDisabled) != 0;
    entry.checked = (flags & kMenuItemChecked) != 0;
    entry.choosable = path_enabled && !entry.disabled;
    enabled_path.push_back(entry.choosable);
    entries.push_back(entry);
  }
  for (MenuEntry& entry : entries) entry.choosable = entry.choosable && !entry.popup;
  return entries;
}

}  // namespace korvex::forms
