// Pieces shared by the unit types with a window of their own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>

#include "forms/form_window.h"

namespace korvex::forms {

struct UnitPlacement {
  HWND parent = nullptr;
  int left = 0, top = 0, width = 0, height = 0;
  DWORD style = 0;     // WS_CHILD with WS_VISIBLE, WS_DISABLED and WS_TABSTOP from the flags
  HMENU id = nullptr;  // the child window id: kFirstControlId + the unit index
};
// Where the unit's window goes: its parent unit's window (or the form's), the
// stored geometry, the flags and the window id.
UnitPlacement PlacementOf(const FormWindow& form, int32_t index);

// The routines of a unit type whose live object T is made from its parsed
// property block: T(form, index, id, type, properties), then T::Create() makes
// its window; properties go through T::Set, T::Get and T::KindOf.
template <typename T, typename Properties,
          BlockStatus (*Parse)(std::span<const uint8_t>, Properties*)>
const UnitTypeRoutines& WindowedUnitRoutines() {
  static const UnitTypeRoutines routines{
      [](FormWindow& form, int32_t index) -> std::unique_ptr<Unit> {
        const WindowRecord& record = form.record();
        Properties properties;
        if (Parse(record.PropertyBlock(index), &properties) != BlockStatus::kOk) return nullptr;
        auto unit = std::make_unique<T>(&form, index, record.UnitIdAt(index),
                                        record.UnitType(index), properties);
        if (!unit->Create()) return nullptr;
        return unit;
      },
      [](Unit& unit, int32_t property, int32_t index, const ArgRecord& value) {
        static_cast<T&>(unit).Set(property, index, value);
      },
      [](Unit& unit, int32_t property, int32_t index) {
        return static_cast<T&>(unit).Get(property, index);
      },
      &T::KindOf};
  return routines;
}

}  // namespace korvex::forms
