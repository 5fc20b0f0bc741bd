// Labels: "_EL_Label" windows. A label also receives the hot-key notification
// message and raises its event 0 with (hot-key id, 0), even while hidden.
#include "forms/events.h"
#include "forms/unit_common.h"
#include "runtime/values.h"

namespace korvex::forms {
namespace {

enum LabelProperty : int32_t {
  kLabelCaption = 0,
  kLabelTextColour = 8,
  kLabelBackgroundColour = 9,
  kLabelHorizontal = 16,
  kLabelVertical = 18,
};

class LabelUnit : public Unit {
 public:
  LabelUnit(FormWindow* form, int32_t index, uint32_t id, uint32_t type,
            const LabelProperties& properties)
      : Unit(form, index, id, type), properties_(properties) {}
  ~LabelUnit() override {
    if (handle_) SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
    if (font_) DeleteObject(font_);
  }

  bool Create() {
    if (!RegisterClassOnce()) return false;
    const UnitPlacement at = PlacementOf(*form(), index());
    const std::wstring caption = WideFromText(properties_.caption);
    handle_ = CreateWindowExW(0, kLabelClassName, caption.c_str(), at.style & ~WS_TABSTOP, at.left,
                              at.top, at.width, at.height, at.parent,
                              reinterpret_cast<HMENU>(static_cast<uintptr_t>(index())),
                              GetModuleHandleW(nullptr), this);
    if (!handle_) return false;
    if (properties_.has_font) font_ = CreateUnitFont(properties_.font);
    return true;
  }

  bool Set(int32_t property, const ArgRecord& value) {
    switch (property) {
      case kLabelCaption: {
        const char* text = PointerOf<const char>(value);
        properties_.caption = text ? text : "";
        SetWindowTextW(handle_, WideFromText(properties_.caption).c_str());
        break;
      }
      case kLabelTextColour:
        properties_.text_colour = value.low;
        break;
      case kLabelBackgroundColour:
        properties_.background_colour = value.low;
        break;
      case kLabelHorizontal:
        properties_.horizontal_alignment = IntOf(value);
        break;
      case kLabelVertical:
        properties_.vertical_alignment = IntOf(value);
        break;
      default:
        return false;
    }
    InvalidateRect(handle_, nullptr, TRUE);
    return true;
  }

  bool Get(int32_t property, ArgRecord* value) const {
    switch (property) {
      case kLabelCaption:
        *value = MakePointer(
            NewText(properties_.caption.data(), static_cast<int32_t>(properties_.caption.size())),
            tag::kText);
        return true;
      case kLabelTextColour:
        *value = MakeInt(static_cast<int32_t>(properties_.text_colour));
        return true;
      case kLabelBackgroundColour:
        *value = MakeInt(static_cast<int32_t>(properties_.background_colour));
        return true;
      case kLabelHorizontal:
        *value = MakeInt(properties_.horizontal_alignment);
        return true;
      case kLabelVertical:
        *value = MakeInt(properties_.vertical_alignment);
        return true;
      default:
        return false;
    }
  }

 private:
  static bool RegisterClassOnce() {
    static const bool registered = [] {
      WNDCLASSEXW cls{};
      cls.cbSize = sizeof cls;
      cls.lpfnWndProc = &LabelUnit::WindowProc;
      cls.hInstance = GetModuleHandleW(nullptr);
      cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
      cls.hbrBackground = nullptr;
      cls.lpszClassName = kLabelClassName;
      return RegisterClassExW(&cls) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
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
      case WM_PAINT:
        label->Paint();
        return 0;
      default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
  }

  void Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(handle_, &paint);
    RECT client;
    GetClientRect(handle_, &client);
    const uint32_t background = properties_.background_colour;
    if (background == kDefaultColour) {
      FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    } else {
      HBRUSH brush = CreateSolidBrush(background & 0xFFFFFF);
      FillRect(dc, &client, brush);
      DeleteObject(brush);
    }
    const std::wstring caption = WideFromText(properties_.caption);
    if (!caption.empty()) {
      HGDIOBJ old =
          SelectObject(dc, font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, properties_.text_colour & 0xFFFFFF);
      UINT format = DT_SINGLELINE;
      if (properties_.horizontal_alignment == 1) format |= DT_CENTER;
      if (properties_.horizontal_alignment == 2) format |= DT_RIGHT;
      if (properties_.vertical_alignment == 1) format |= DT_VCENTER;
      if (properties_.vertical_alignment == 2) format |= DT_BOTTOM;
      if (properties_.word_wrap) format = (format & ~DT_SINGLELINE) | DT_WORDBREAK;
      DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &client, format);
      SelectObject(dc, old);
    }
    EndPaint(handle_, &paint);
  }

  LabelProperties properties_;
  HFONT font_ = nullptr;
};

std::unique_ptr<Unit> CreateLabel(FormWindow& form, int32_t index) {
  const WindowRecord& record = form.record();
  LabelProperties properties;
  if (ParseLabelProperties(record.PropertyBlock(index), &properties) != BlockStatus::kOk)
    return nullptr;
  auto unit = std::make_unique<LabelUnit>(&form, index, record.UnitIdAt(index),
                                          record.UnitType(index), properties);
  if (!unit->Create()) return nullptr;
  return unit;
}

bool SetLabelProperty(Unit& unit, int32_t property, const ArgRecord& value) {
  return static_cast<LabelUnit&>(unit).Set(property, value);
}

bool GetLabelProperty(Unit& unit, int32_t property, ArgRecord* value) {
  return static_cast<LabelUnit&>(unit).Get(property, value);
}

}  // namespace

const UnitTypeRoutines& LabelUnitRoutines() {
  static const UnitTypeRoutines routines{&CreateLabel, &SetLabelProperty, &GetLabelProperty};
  return routines;
}

}  // namespace korvex::forms
