// Live units of a form window and the routines of each unit type. Every unit
// type is reached through UnitInterface(), which gives its create, set-property
// and get-property routines. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <span>
#include <string_view>
#include <vector>

#include "base/handles.h"
#include "base/text_conversion.h"
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

  // Buttons: a push button, and one of type 1 (the default button), which
  // Enter presses. The platform's dialog keyboard handling gives the focused
  // push button the default-button style as the focus moves; KeepDefaultStyle
  // puts back the style that the button's type says.
  virtual bool IsPushButton() const { return false; }
  virtual bool IsDefaultButton() const { return false; }
  virtual void KeepDefaultStyle() {}

 protected:
  HWND handle_ = nullptr;  // destroyed with the parent window

 private:
  FormWindow* form_;
  int32_t index_;
  uint32_t id_;
  uint32_t type_;
};

// The kind of value a unit-specific property holds; it decides how the value
// travels in an ArgRecord (and the type tag of a value read).
enum class PropertyKind : int32_t {
  kNone = 0,        // no such property
  kInteger = 1001,  // int32
  kBoolean = 1002,  // 0 or 1
  kColour = 1003,   // 0x00BBGGRR, or 0xFF000000 for the default colour
  kText = 1004,     // a Text (code page 936); reads give a new Text
  kPicture = 1005,  // a ByteSet holding an image file; reads give a new ByteSet
  kFont = 1006,     // a ByteSet holding a 60-byte font description (empty: the default font)
};
uint32_t TypeTagOf(PropertyKind kind);

// Values of unit-specific properties travel as ArgRecords. `index` is the
// array index of the property access: -1 for a plain property; for a font
// property 0..6 selects a sub-property (FontSubProperty).
using CreateUnitRoutine = std::unique_ptr<Unit> (*)(FormWindow& form, int32_t index);
// The kind of a property of the unit type; kNone when it has no such property.
using PropertyKindRoutine = PropertyKind (*)(int32_t property, int32_t index);
// Called only for properties whose kind is not kNone.
using SetUnitPropertyRoutine = void (*)(Unit& unit, int32_t property, int32_t index,
                                        const ArgRecord& value);
using GetUnitPropertyRoutine = ArgRecord (*)(Unit& unit, int32_t property, int32_t index);

enum UnitRoutineNumber : int32_t {
  kCreateRoutine = 0,
  kSetPropertyRoutine = 1,
  kGetPropertyRoutine = 2,
  kPropertyKindRoutine = 3,
};
struct UnitTypeRoutines {
  CreateUnitRoutine create = nullptr;
  SetUnitPropertyRoutine set_property = nullptr;
  GetUnitPropertyRoutine get_property = nullptr;
  PropertyKindRoutine property_kind = nullptr;
};
// The routines of a unit type; null for a type this form engine does not know.
const UnitTypeRoutines* UnitInterface(uint32_t unit_type);

// The unit types of this form engine.
const UnitTypeRoutines& ButtonUnitRoutines();
const UnitTypeRoutines& LabelUnitRoutines();
const UnitTypeRoutines& CompressionUnitRoutines();

// --- Shared helpers -------------------------------------------------------------
// Window texts convert between code page 936 and UTF-16 with the base pair,
// so they read correctly on any system code page.
using ::korvex::TextFromWide;
using ::korvex::WideFromText;

// A font made from a stored description, with the character set forced to the
// default, both precisions to 0, quality 2 and pitch-and-family 0. Null when
// the platform refuses it.
HFONT CreateUnitFont(const FontDescription& font);
// The LOGFONTW that CreateUnitFont uses (exposed for tests).
LOGFONTW UnitFontAttributes(const FontDescription& font);

// Values of the property kinds.
std::string TextOf(const ArgRecord& value);  // null -> ""
ArgRecord MakeTextValue(std::string_view text);
std::vector<uint8_t> BytesOf(const ArgRecord& value);  // a ByteSet's bytes; null -> none
ArgRecord MakeByteSetValue(std::span<const uint8_t> bytes);

// Sub-properties of a font property (the access's array index).
enum FontSubProperty : int32_t {
  kFontWhole = -1,
  kFontAngle = 0,  // escapement in tenths of a degree
  kFontBold = 1,   // weight 700 (else 400)
  kFontItalic = 2,
  kFontUnderline = 3,
  kFontStrikeOut = 4,
  kFontSize = 5,      // points on the screen
  kFontFaceName = 6,  // 32 bytes or more become "宋体"
};
// A face name as stored: a name of 32 or more bytes is replaced by "宋体".
void SetFaceName(FontDescription* font, std::string_view name);

// The font of a unit with a window: its description (none = the system's
// default GUI font) and the GDI font made from it, which the unit owns; a new
// font replaces and frees the old one.
class UnitFont {
 public:
  UnitFont(bool has_description, const FontDescription& description);
  UnitFont(const UnitFont&) = delete;
  UnitFont& operator=(const UnitFont&) = delete;

  // The font to draw with.
  HFONT Handle() const;
  // Makes the GDI font from the description and hands it to the window
  // (WM_SETFONT), then frees the one it replaces.
  void Apply(HWND window);

  static PropertyKind KindOf(int32_t sub);
  ArgRecord Get(int32_t sub) const;
  void Set(HWND window, int32_t sub, const ArgRecord& value);

 private:
  bool has_description_;
  FontDescription description_;
  GdiObject<HFONT> font_;  // none: the system's default GUI font
};

// The class of label windows, registered once.
inline constexpr wchar_t kLabelClassName[] = L"_EL_Label";
// Message by which a registered hot key reaches the hot-key label.
inline constexpr UINT kHotKeyNotifyMessage = 0x8075;

}  // namespace korvex::forms
