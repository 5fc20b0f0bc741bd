// Live units of a form window and the routines of each unit type. Every unit
// type is reached through UnitInterface(), which gives its create, set-property
// and get-property routines. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "forms/template_format.h"
#include "runtime/arg_record.h"

namespace korvex::forms {

class FormWindow;

// The live object of one unit of a form window (its address is stored in the
// unit record's object slot while it lives).
class Unit {
 public:
  Unit(FormWindow* form, int32_t index, uint32_t id, uint32_t type)
      : form_(form), index_(index), id_(id), type_(type) {}
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;
  virtual ~Unit();

  FormWindow* form() const { return form_; }
  int32_t index() const { return index_; }
  uint32_t id() const { return id_; }
  uint32_t type() const { return type_; }
  // The unit's platform window; null for units without one.
  HWND handle() const { return handle_; }

  // A reflected notification from the unit's window (WM_COMMAND code).
  virtual void OnCommand(WORD /*code*/) {}

 protected:
  HWND handle_ = nullptr;  // destroyed with the parent window

 private:
  FormWindow* form_;
  int32_t index_;
  uint32_t id_;
  uint32_t type_;
};

// Values of unit-specific properties travel as ArgRecords.
using CreateUnitRoutine = std::unique_ptr<Unit> (*)(FormWindow& form, int32_t index);
// false when the unit type has no such property.
using SetUnitPropertyRoutine = bool (*)(Unit& unit, int32_t property, const ArgRecord& value);
using GetUnitPropertyRoutine = bool (*)(Unit& unit, int32_t property, ArgRecord* value);

enum UnitRoutineNumber : int32_t {
  kCreateRoutine = 0,
  kSetPropertyRoutine = 1,
  kGetPropertyRoutine = 2,
};
struct UnitTypeRoutines {
  CreateUnitRoutine create = nullptr;
  SetUnitPropertyRoutine set_property = nullptr;
  GetUnitPropertyRoutine get_property = nullptr;
};
// The routines of a unit type; null for a type this form engine does not know.
const UnitTypeRoutines* UnitInterface(uint32_t unit_type);

// The unit types of this form engine.
const UnitTypeRoutines& ButtonUnitRoutines();
const UnitTypeRoutines& LabelUnitRoutines();
const UnitTypeRoutines& CompressionUnitRoutines();

// --- Shared helpers -------------------------------------------------------------
// Code page 936 bytes to UTF-16 (window texts read correctly on any system
// code page).
inline constexpr UINT kTextCodePage = 936;
std::wstring WideFromText(std::string_view text);
// UTF-16 to code page 936 bytes.
std::string TextFromWide(std::wstring_view text);

// A font made from a stored description, with the character set forced to the
// default, both precisions to 0, quality 2 and pitch-and-family 0. Null when
// the platform refuses it.
HFONT CreateUnitFont(const FontDescription& font);
// The LOGFONTW that CreateUnitFont uses (exposed for tests).
LOGFONTW UnitFontAttributes(const FontDescription& font);

// The class of label windows, registered once.
inline constexpr wchar_t kLabelClassName[] = L"_EL_Label";
// Message by which a registered hot key reaches the hot-key label.
inline constexpr UINT kHotKeyNotifyMessage = 0x8075;

}  // namespace korvex::forms
