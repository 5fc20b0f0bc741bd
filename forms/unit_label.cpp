// Labels: "_EL_Label" windows that paint their caption. A label also receives
// the hot-key notification message and raises its event 0 with the message's
// wParam and lParam (hot-key id, 0), even while hidden.
#include <algorithm>

#include "base/window_class.h"
#include "forms/events.h"
#include "forms/unit_common.h"
#include "runtime/values.h"

namespace korvex::forms {
namespace {

enum LabelProperty : int32_t {
  kLabelCaption = 0,
  kLabelTextEffect = 1,
  kLabelBorderStyle = 2,
  kLabelBorderWidth = 3,
  kLabelBorderColour1 = 4,  // .. 6
  kLabelBorderColour3 = 6,
  kLabelFont = 7,
  kLabelTextColour = 8,
  kLabelBackgroundColour = 9,
  kLabelPicture = 10,
  kLabelPictureMode = 11,
  kLabelGradientMode = 12,
  kLabelGradientColour1 = 13,  // .. 15
  kLabelGradientColour3 = 15,
  kLabelHorizontal = 16,
  kLabelWordWrap = 17,
  kLabelVertical = 18,
  kLabelBindingText1 = 19,
  kLabelBindingText2 = 20,
};

class LabelUnit : public Unit {
 public:
  LabelUnit(FormWindow* form, int32_t index, uint32_t id, uint32_t type,
            const LabelProperties& properties)
      : Unit(form, index, id, type),
        properties_(properties),
        font_(properties.has_font, properties.font) {}
  ~LabelUnit() override {
    if (handle_) SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
  }

  bool Create() {
    // A resized label paints anew: its alignment places the caption by the size.
    static const bool registered = RegisterWindowClass({.name = kLabelClassName,
                                                        .procedure = &LabelUnit::WindowProc,
                                                        .style = CS_HREDRAW | CS_VREDRAW});
    if (!registered) return false;
    const UnitPlacement at = PlacementOf(*form(), index());
    const std::wstring caption = WideFromText(properties_.caption);
    creating_ = this;
    handle_ = CreateWindowExW(0, kLabelClassName, caption.c_str(), at.style & ~WS_TABSTOP, at.left,
                              at.top, at.width, at.height, at.parent, at.id,
                              GetModuleHandleW(nullptr), this);
    creating_ = nullptr;
    if (!handle_) return false;
    font_.Apply(handle_);
    return true;
  }

  static PropertyKind KindOf(int32_t property, int32_t index) {
    switch (property) {
      case kLabelCaption:
      case kLabelBindingText1:
      case kLabelBindingText2:
        return PropertyKind::kText;
      case kLabelFont:
        return UnitFont::KindOf(index);
      case kLabelPicture:
        return PropertyKind::kPicture;
      case kLabelWordWrap:
        return PropertyKind::kBoolean;
      case kLabelBorderColour1:
      case kLabelBorderColour1 + 1:
      case kLabelBorderColour3:
      case kLabelTextColour:
      case kLabelBackgroundColour:
      case kLabelGradientColour1:
      case kLabelGradientColour1 + 1:
      case kLabelGradientColour3:
        return PropertyKind::kColour;
      case kLabelTextEffect:
      case kLabelBorderStyle:
      case kLabelBorderWidth:
      case kLabelPictureMode:
      case kLabelGradientMode:
      case kLabelHorizontal:
      case kLabelVertical:
        return PropertyKind::kInteger;
      default:
        return PropertyKind::kNone;
    }
  }

  void Set(int32_t property, int32_t index, const ArgRecord& value) {
    LabelProperties& p = properties_;
    const int32_t v = IntOf(value);
    switch (property) {
      case kLabelCaption:
        p.caption = TextOf(value);
        SetWindowTextW(handle_, WideFromText(p.caption).c_str());
        break;
      case kLabelTextEffect:
        p.text_effect = std::clamp(v, 0, 3);
        break;
      case kLabelBorderStyle:
        p.border_style = std::clamp(v, 0, 6);
        break;
      case kLabelBorderWidth:
        p.border_width = std::max(v, 5);
        break;
      case kLabelFont:
        font_.Set(handle_, index, value);
        break;
      case kLabelTextColour:
        p.text_colour = value.low;
        break;
      case kLabelBackgroundColour:
        p.background_colour = value.low;
        break;
      case kLabelPicture:
        p.picture = BytesOf(value);
        break;
      case kLabelPictureMode:
        p.picture_mode = std::clamp(v, 0, 2);
        break;
      case kLabelGradientMode:
        p.gradient_mode = std::clamp(v, 0, 8);
        break;
      case kLabelHorizontal:
        p.horizontal_alignment = std::clamp(v, 0, 2);
        break;
      case kLabelWordWrap:
        p.word_wrap = v != 0;
        break;
      case kLabelVertical:
        p.vertical_alignment = std::clamp(v, 0, 2);
        break;
      case kLabelBindingText1:
        p.binding_text1 = TextOf(value);
        break;
      case kLabelBindingText2:
        p.binding_text2 = TextOf(value);
        break;
      default:
        if (property >= kLabelBorderColour1 && property <= kLabelBorderColour3)
          p.border_colours[property - kLabelBorderColour1] = value.low;
        else if (property >= kLabelGradientColour1 && property <= kLabelGradientColour3)
          p.gradient_colours[property - kLabelGradientColour1] = value.low;
        break;
    }
    InvalidateRect(handle_, nullptr, TRUE);
  }

  ArgRecord Get(int32_t property, int32_t index) const {
    const LabelProperties& p = properties_;
    switch (property) {
      case kLabelCaption:
        return MakeTextValue(p.caption);
      case kLabelTextEffect:
        return MakeInt(p.text_effect);
      case kLabelBorderStyle:
        return MakeInt(p.border_style);
      case kLabelBorderWidth:
        return MakeInt(p.border_width);
      case kLabelFont:
        return font_.Get(index);
      case kLabelTextColour:
        return MakeInt(static_cast<int32_t>(p.text_colour));
      case kLabelBackgroundColour:
        return MakeInt(static_cast<int32_t>(p.background_colour));
      case kLabelPicture:
        return MakeByteSetValue(p.picture);
      case kLabelPictureMode:
        return MakeInt(p.picture_mode);
      case kLabelGradientMode:
        return MakeInt(p.gradient_mode);
      case kLabelHorizontal:
        return MakeInt(p.horizontal_alignment);
      case kLabelWordWrap:
        return MakeBool(p.word_wrap != 0);
      case kLabelVertical:
        return MakeInt(p.vertical_alignment);
      case kLabelBindingText1:
        return MakeTextValue(p.binding_text1);
      case kLabelBindingText2:
        return MakeTextValue(p.binding_text2);
      default:
        if (property >= kLabelBorderColour1 && property <= kLabelBorderColour3)
          return MakeInt(static_cast<int32_t>(p.border_colours[property - kLabelBorderColour1]));
        return MakeInt(static_cast<int32_t>(p.gradient_colours[property - kLabelGradientColour1]));
    }
  }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      // Only the label being created gets its object bound: any other window
      // of this class (a form window whose template names it, say) carries a
      // creation parameter that is no label, and is left to DefWindowProc.
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      if (creating_ && create->lpCreateParams == creating_)
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creating_));
    }
    auto* label = reinterpret_cast<LabelUnit*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!label || message == WM_NCDESTROY) {
      if (label) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      return DefWindowProcW(window, message, wparam, lparam);
    }
    switch (message) {
      case kHotKeyNotifyMessage: {
        const int32_t args[2] = {static_cast<int32_t>(wparam), static_cast<int32_t>(lparam)};
        return RaiseUnitEvent(label->form()->id(), label->id(), 0, 0, 2, args);
      }
      case WM_ERASEBKGND:
        return 1;
      case WM_SETFONT:  // the unit's own font, which it owns
        if (lparam) InvalidateRect(window, nullptr, TRUE);
        return 0;
      case WM_GETFONT:
        return reinterpret_cast<LRESULT>(label->font_.Handle());
      case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        label->Paint(dc);
        EndPaint(window, &paint);
        return 0;
      }
      case WM_PRINTCLIENT:
        label->Paint(reinterpret_cast<HDC>(wparam));
        return 0;
      default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
  }

  // The background colour, then the caption in the label's font and text
  // colour, aligned and wrapped as set.
  void Paint(HDC dc) {
    RECT client;
    GetClientRect(handle_, &client);
    const uint32_t background = properties_.background_colour;
    if (background == kDefaultColour) {
      FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    } else {
      const GdiObject<HBRUSH> brush(CreateSolidBrush(background & 0xFFFFFF));
      FillRect(dc, &client, brush.Get());
    }
    const std::wstring caption = WideFromText(properties_.caption);
    if (caption.empty()) return;
    HGDIOBJ old = SelectObject(dc, font_.Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, properties_.text_colour & 0xFFFFFF);
    UINT format = DT_NOPREFIX;
    if (properties_.horizontal_alignment == 1) format |= DT_CENTER;
    if (properties_.horizontal_alignment == 2) format |= DT_RIGHT;
    RECT area = client;
    const int length = static_cast<int>(caption.size());
    if (properties_.word_wrap) {
      // Multi-line text: place the wrapped block vertically by its height.
      format |= DT_WORDBREAK;
      RECT measure = client;
      DrawTextW(dc, caption.c_str(), length, &measure, format | DT_CALCRECT);
      const LONG spare = (client.bottom - client.top) - (measure.bottom - measure.top);
      if (spare > 0 && properties_.vertical_alignment == 1) area.top += spare / 2;
      if (spare > 0 && properties_.vertical_alignment == 2) area.top += spare;
    } else {
      format |= DT_SINGLELINE;
      if (properties_.vertical_alignment == 1) format |= DT_VCENTER;
      if (properties_.vertical_alignment == 2) format |= DT_BOTTOM;
    }
    DrawTextW(dc, caption.c_str(), length, &area, format);
    SelectObject(dc, old);
  }

  LabelProperties properties_;
  UnitFont font_;
  static inline LabelUnit* creating_ = nullptr;  // the label whose window is being created
};

}  // namespace

const UnitTypeRoutines& LabelUnitRoutines() {
  return WindowedUnitRoutines<LabelUnit, LabelProperties, &ParseLabelProperties>();
}

}  // namespace korvex::forms
