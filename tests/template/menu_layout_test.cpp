// The menu a unit table describes: which items it shows, how they nest, and
// which can be chosen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/menu_layout.h"
#include "forms/window_description.h"

namespace korvex::forms {
namespace {

UnitDescription Item(uint32_t serial, const char* caption, uint32_t level, uint32_t flags = 0) {
  UnitDescription u;
  u.id = 0x26000000 | serial;
  u.type = kUnitTypeMenuItem;
  u.name = caption;
  u.caption = caption;
  u.menu_value = level;
  u.flags = flags;
  return u;
}

UnitDescription Button(uint32_t serial) {
  UnitDescription u;
  u.id = 0x16000000 | serial;
  u.type = kUnitTypeButton;
  u.property_block = {1, 0, 0, 0};
  return u;
}

std::unique_ptr<WindowRecord> Load(std::vector<UnitDescription> units) {
  WindowDescription d;
  d.id = 0x52010040;
  UnitDescription window;
  window.id = kWindowUnitId;
  window.type = kUnitTypeWindow;
  d.units.push_back(window);
  for (auto& u : units) d.units.push_back(std::move(u));
  const WindowDescription list[] = {d};
  WindowList windows;
  EXPECT_TRUE(ParseTemplate(SerializeWindowTemplate(list), 0x400000, &windows));
  return windows.empty() ? nullptr : std::move(windows[0]);
}

// Each entry as "caption/level", with "+" for a popup, "-" for disabled, "v"
// for checked and "!" for one that cannot be chosen.
std::vector<std::string> Shown(const WindowRecord& record) {
  std::vector<std::string> shown;
  for (const MenuEntry& e : MenuLayout(record)) {
    std::string s = std::string(record.MenuCaption(e.index)) + "/" + std::to_string(e.level);
    if (e.popup) s += "+";
    if (e.disabled) s += "-";
    if (e.checked) s += "v";
    if (!e.choosable) s += "!";
    shown.push_back(s);
  }
  return shown;
}

using Lines = std::vector<std::string>;

TEST(MenuLayoutTest, FirstRunOfMenuItemsOnly) {
  auto w = Load({Button(1), Item(2, "File", 0), Item(3, "Edit", 0), Button(4), Item(5, "Late", 0)});
  ASSERT_TRUE(w);
  EXPECT_EQ(Shown(*w), (Lines{"File/0", "Edit/0"}));
  EXPECT_EQ(MenuLayout(*w)[0].index, 2);
  EXPECT_TRUE(MenuLayout(*Load({Button(1)})).empty());
}

TEST(MenuLayoutTest, LevelsNestIntoTheItemBefore) {
  auto w = Load({Item(1, "File", 0), Item(2, "Open", 1), Item(3, "Recent", 1), Item(4, "a.txt", 2),
                 Item(5, "Quit", 1), Item(6, "Help", 0)});
  ASSERT_TRUE(w);
  EXPECT_EQ(Shown(*w), (Lines{"File/0+!", "Open/1", "Recent/1+!", "a.txt/2", "Quit/1", "Help/0"}));
}

TEST(MenuLayoutTest, LevelsTooDeepAreOneStepDown) {
  // The first item is on the bar whatever it says; a jump of three levels is one.
  auto w = Load({Item(1, "File", 3), Item(2, "Open", 3), Item(3, "Help", 0)});
  ASSERT_TRUE(w);
  EXPECT_EQ(Shown(*w), (Lines{"File/0+!", "Open/1", "Help/0"}));
}

TEST(MenuLayoutTest, HiddenItemsLeaveOutTheirSubmenus) {
  auto w = Load({Item(1, "File", 0), Item(2, "Secret", 1, kMenuItemHidden), Item(3, "Inside", 2),
                 Item(4, "Open", 1), Item(5, "Tools", 0, kMenuItemHidden), Item(6, "Deep", 1),
                 Item(7, "Help", 0)});
  ASSERT_TRUE(w);
  EXPECT_EQ(Shown(*w), (Lines{"File/0+!", "Open/1", "Help/0"}));
}

TEST(MenuLayoutTest, StatesAndWhatCanBeChosen) {
  auto w = Load({Item(1, "File", 0), Item(2, "Grey", 1, kMenuItemDisabled),
                 Item(3, "Ticked", 1, kMenuItemChecked), Item(4, "Locked", 0, kMenuItemDisabled),
                 Item(5, "Inside", 1), Item(6, "Both", 0, kMenuItemDisabled | kMenuItemChecked)});
  ASSERT_TRUE(w);
  // The items of a greyed submenu keep their own look but cannot be chosen.
  EXPECT_EQ(Shown(*w),
            (Lines{"File/0+!", "Grey/1-!", "Ticked/1v", "Locked/0+-!", "Inside/1!", "Both/0-v!"}));
}

}  // namespace
}  // namespace korvex::forms
