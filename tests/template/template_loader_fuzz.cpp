// Fuzzer of the window template reader: any input either parses or is refused,
// and a parsed template survives every accessor and edit.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "forms/menu_layout.h"
#include "forms/template_loader.h"

using namespace korvex::forms;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WindowList windows;
  size_t consumed = 0;
  if (!ParseTemplate({data, size}, 0x401000, &windows, &consumed)) return 0;
  if (consumed > size) __builtin_trap();
  for (auto& w : windows) {
    w->SaveUnits();
    for (int32_t i = 0; i < w->UnitCount(); ++i) {
      UnitLayout l;
      if (!w->Layout(i, &l)) __builtin_trap();  // checked at load
      (void)w->Name(i);
      (void)w->Remark(i);
      (void)w->MousePointer(i);
      (void)w->MenuCaption(i);
      for (const EventBinding& e : w->Events(i)) (void)w->Handler(i, e.event);
      const auto block = w->PropertyBlock(i);
      WindowProperties wp;
      LabelProperties lp;
      ButtonProperties bp;
      (void)ParseWindowProperties(block, &wp);
      (void)ParseLabelProperties(block, &lp);
      (void)ParseButtonProperties(block, &bp);
      for (int f = 0; f <= static_cast<int>(UnitField::kMenuLevel); ++f) {
        const auto field = static_cast<UnitField>(f);
        w->WriteField(i, field, w->ReadField(i, field) + 1);
      }
      const uint32_t id = w->UnitIdAt(i);
      const int32_t found = w->FindUnit(id);
      if (found < 0 || found > i) __builtin_trap();
      if (w->SetTag(i, "a longer tag") && w->Tag(i) != "a longer tag") __builtin_trap();
      w->SetTag(i, "");
      w->SetMenuCaption(i, "menu");
      const uint8_t cursor[6] = {1, 2, 3, 4, 5, 6};
      w->SetMousePointer(i, cursor);
      if (!w->Layout(i, &l)) __builtin_trap();  // edits keep the record whole
    }
    // The menu: menu items only, starting on the bar, never a level skipped,
    // and a popup always followed by its submenu.
    const std::vector<MenuEntry> menu = MenuLayout(*w);
    for (size_t k = 0; k < menu.size(); ++k) {
      if (!w->IsMenuItem(menu[k].index)) __builtin_trap();
      const uint32_t deepest = k == 0 ? 0 : menu[k - 1].level + 1;
      if (menu[k].level > deepest) __builtin_trap();
      const bool opens = k + 1 < menu.size() && menu[k + 1].level == menu[k].level + 1;
      if (menu[k].popup != opens) __builtin_trap();
      if (menu[k].popup && menu[k].choosable) __builtin_trap();
    }
    w->RestoreSavedUnits();
  }
  return 0;
}
