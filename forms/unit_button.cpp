// Buttons: platform "BUTTON" windows whose click raises the unit's event 0.
#include "forms/events.h"
#include "forms/unit_common.h"
#include "runtime/values.h"

namespace korvex::forms {

UnitPlacement PlacementOf(const FormWindow& form, int32_t index) {
  const WindowRecord& record = form.record();
  UnitPlacement p;
  const uint32_t parent_id = record.ReadField(index, UnitField::kParent);
  const int32_t parent_index = parent_id ? record.FindUnit(parent_id) : 0;
  p.parent = form.UnitHandle(parent_index > 0 ? parent_index : 0);
  if (!p.parent) p.parent = form.handle();
  p.left = static_cast<int32_t>(record.ReadField(index, UnitField::kLeft));
  p.top = static_cast<int32_t>(record.ReadField(index, UnitField::kTop));
  p.width = static_cast<int32_t>(record.ReadField(index, UnitField::kWidth));
  p.height = static_cast<int32_t>(record.ReadField(index, UnitField::kHeight));
  const uint32_t flags = record.ReadField(index, UnitField::kFlags);
  p.style = WS_CHILD;
  if (flags & kUnitVisible) p.style |= WS_VISIBLE;
  if (flags & kUnitDisabled) p.style |= WS_DISABLED;
  if (flags & kUnitTabStop) p.style |= WS_TABSTOP;
  return p;
}

namespace {

enum ButtonProperty : int32_t {
  kButtonPicture = 0,
  kButtonType = 1,
  kButtonCaption = 2,
  kButtonHorizontal = 3,
  kButtonVertical = 4,
  kButtonFont = 5,
};

DWORD ButtonStyle(const ButtonProperties& p) {
  DWORD style = p.type == 1 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  switch (p.horizontal_alignment) {
    case 0:
      style |= BS_LEFT;
      break;
    case 2:
      style |= BS_RIGHT;
      break;
    default:
      style |= BS_CENTER;
      break;
  }
  switch (p.vertical_alignment) {
    case 0:
      style |= BS_TOP;
      break;
    case 2:
      style |= BS_BOTTOM;
      break;
    default:
      style |= BS_VCENTER;
      break;
  }
  return style;
}

class ButtonUnit : public Unit {
 public:
  ButtonUnit(FormWindow* form, int32_t index, uint32_t id, uint32_t type,
             const ButtonProperties& properties)
      : Unit(form, index, id, type), properties_(properties) {}
  ~ButtonUnit() override {
    if (font_) DeleteObject(font_);
  }

  bool Create() {
    const UnitPlacement at = PlacementOf(*form(), index());
    const std::wstring caption = WideFromText(properties_.caption);
    handle_ = CreateWindowExW(0, L"BUTTON", caption.c_str(), at.style | ButtonStyle(properties_),
                              at.left, at.top, at.width, at.height, at.parent,
                              reinterpret_cast<HMENU>(static_cast<uintptr_t>(index())),
                              GetModuleHandleW(nullptr), nullptr);
    if (!handle_) return false;
    font_ = properties_.has_font ? CreateUnitFont(properties_.font) : nullptr;
    HGDIOBJ font = font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT);
    SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return true;
  }

  void OnCommand(WORD code) override {
    // A disabled button raises nothing, however the notification came.
    if (code == BN_CLICKED && IsWindowEnabled(handle_)) RaiseUnitEvent(form()->id(), id(), 0, 0);
  }

  bool Set(int32_t property, const ArgRecord& value) {
    switch (property) {
      case kButtonType:
        properties_.type = IntOf(value) == 1 ? 1 : 0;
        ApplyStyle();
        return true;
      case kButtonCaption: {
        const char* text = PointerOf<const char>(value);
        properties_.caption = text ? text : "";
        SetWindowTextW(handle_, WideFromText(properties_.caption).c_str());
        return true;
      }
      case kButtonHorizontal:
        properties_.horizontal_alignment = IntOf(value);
        ApplyStyle();
        return true;
      case kButtonVertical:
        properties_.vertical_alignment = IntOf(value);
        ApplyStyle();
        return true;
      default:
        return false;
    }
  }

  bool Get(int32_t property, ArgRecord* value) const {
    switch (property) {
      case kButtonType:
        *value = MakeInt(properties_.type);
        return true;
      case kButtonCaption:
        *value = MakePointer(
            NewText(properties_.caption.data(), static_cast<int32_t>(properties_.caption.size())),
            tag::kText);
        return true;
      case kButtonHorizontal:
        *value = MakeInt(properties_.horizontal_alignment);
        return true;
      case kButtonVertical:
        *value = MakeInt(properties_.vertical_alignment);
        return true;
      default:
        return false;
    }
  }

 private:
  void ApplyStyle() {
    constexpr DWORD kButtonBits =
        0x0F | BS_LEFT | BS_RIGHT | BS_CENTER | BS_TOP | BS_BOTTOM | BS_VCENTER;
    const DWORD style = static_cast<DWORD>(GetWindowLongW(handle_, GWL_STYLE));
    const DWORD wanted = (style & ~kButtonBits) | ButtonStyle(properties_);
    // The alignment bits through the window style, the button type through
    // BM_SETSTYLE (which also repaints).
    SetWindowLongW(handle_, GWL_STYLE, static_cast<LONG>(wanted));
    SendMessageW(handle_, BM_SETSTYLE, wanted, TRUE);
  }

  ButtonProperties properties_;
  HFONT font_ = nullptr;
};

std::unique_ptr<Unit> CreateButton(FormWindow& form, int32_t index) {
  const WindowRecord& record = form.record();
  ButtonProperties properties;
  if (ParseButtonProperties(record.PropertyBlock(index), &properties) != BlockStatus::kOk)
    return nullptr;
  auto unit = std::make_unique<ButtonUnit>(&form, index, record.UnitIdAt(index),
                                           record.UnitType(index), properties);
  if (!unit->Create()) return nullptr;
  return unit;
}

bool SetButtonProperty(Unit& unit, int32_t property, const ArgRecord& value) {
  return static_cast<ButtonUnit&>(unit).Set(property, value);
}

bool GetButtonProperty(Unit& unit, int32_t property, ArgRecord* value) {
  return static_cast<ButtonUnit&>(unit).Get(property, value);
}

}  // namespace

const UnitTypeRoutines& ButtonUnitRoutines() {
  static const UnitTypeRoutines routines{&CreateButton, &SetButtonProperty, &GetButtonProperty};
  return routines;
}

}  // namespace korvex::forms
