// Buttons: platform "BUTTON" windows whose click raises the unit's event 0.
#include <algorithm>

#include "forms/events.h"
#include "forms/unit_common.h"
#include "runtime/values.h"

namespace korvex::forms {

namespace {

enum ButtonProperty : int32_t {
  kButtonPicture = 0,
  kButtonType = 1,
  kButtonCaption = 2,
  kButtonHorizontal = 3,
  kButtonVertical = 4,
  kButtonFont = 5,
};

// A button's type and alignment (left, centre, right; top, centre, bottom;
// any other value is centred).
DWORD ButtonStyle(const ButtonProperties& p) {
  static constexpr DWORD kHorizontal[] = {BS_LEFT, BS_CENTER, BS_RIGHT};
  static constexpr DWORD kVertical[] = {BS_TOP, BS_VCENTER, BS_BOTTOM};
  auto align = [](const DWORD(&bits)[3], int32_t alignment) {
    return alignment >= 0 && alignment <= 2 ? bits[alignment] : bits[1];
  };
  return (p.type == 1 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) |
         align(kHorizontal, p.horizontal_alignment) | align(kVertical, p.vertical_alignment);
}

class ButtonUnit : public Unit {
 public:
  ButtonUnit(FormWindow* form, int32_t index, uint32_t id, uint32_t type,
             const ButtonProperties& properties)
      : Unit(form, index, id, type),
        properties_(properties),
        font_(properties.has_font, properties.font) {}

  bool Create() {
    const UnitPlacement at = PlacementOf(*form(), index());
    const std::wstring caption = WideFromText(properties_.caption);
    handle_ = CreateWindowExW(0, L"BUTTON", caption.c_str(), at.style | ButtonStyle(properties_),
                              at.left, at.top, at.width, at.height, at.parent, at.id,
                              GetModuleHandleW(nullptr), nullptr);
    if (!handle_) return false;
    font_.Apply(handle_);
    return true;
  }

  void OnCommand(WORD code) override {
    // A disabled button raises nothing, however the notification came.
    if (code == BN_CLICKED && IsWindowEnabled(handle_)) RaiseUnitEvent(form()->id(), id(), 0, 0);
  }

  bool IsPushButton() const override { return true; }
  bool IsDefaultButton() const override { return properties_.type == 1; }
  void KeepDefaultStyle() override {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(handle_, GWL_STYLE));
    const DWORD wanted = ButtonStyle(properties_) & BS_TYPEMASK;
    if ((style & BS_TYPEMASK) != wanted)
      SendMessageW(handle_, BM_SETSTYLE, (style & ~BS_TYPEMASK) | wanted, TRUE);
  }

  static PropertyKind KindOf(int32_t property, int32_t index) {
    switch (property) {
      case kButtonPicture:
        return PropertyKind::kPicture;
      case kButtonType:
      case kButtonHorizontal:
      case kButtonVertical:
        return PropertyKind::kInteger;
      case kButtonCaption:
        return PropertyKind::kText;
      case kButtonFont:
        return UnitFont::KindOf(index);
      default:
        return PropertyKind::kNone;
    }
  }

  void Set(int32_t property, int32_t index, const ArgRecord& value) {
    switch (property) {
      case kButtonPicture:
        // Kept for reading back; buttons draw their caption only.
        properties_.picture = BytesOf(value);
        break;
      case kButtonType:
        properties_.type = IntOf(value) == 1 ? 1 : 0;
        ApplyStyle();
        break;
      case kButtonCaption:
        properties_.caption = TextOf(value);
        SetWindowTextW(handle_, WideFromText(properties_.caption).c_str());
        break;
      case kButtonHorizontal:
        properties_.horizontal_alignment = std::clamp(IntOf(value), 0, 2);
        ApplyStyle();
        break;
      case kButtonVertical:
        properties_.vertical_alignment = std::clamp(IntOf(value), 0, 2);
        ApplyStyle();
        break;
      default:
        font_.Set(handle_, index, value);
        break;
    }
  }

  ArgRecord Get(int32_t property, int32_t index) const {
    switch (property) {
      case kButtonPicture:
        return MakeByteSetValue(properties_.picture);
      case kButtonType:
        return MakeInt(properties_.type);
      case kButtonCaption:
        return MakeTextValue(properties_.caption);
      case kButtonHorizontal:
        return MakeInt(properties_.horizontal_alignment);
      case kButtonVertical:
        return MakeInt(properties_.vertical_alignment);
      default:
        return font_.Get(index);
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
  UnitFont font_;
};

}  // namespace

const UnitTypeRoutines& ButtonUnitRoutines() {
  return WindowedUnitRoutines<ButtonUnit, ButtonProperties, &ParseButtonProperties>();
}

}  // namespace korvex::forms
