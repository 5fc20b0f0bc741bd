#include "forms/properties.h"

#include <algorithm>
#include <cstring>

#include "forms/form_window.h"
#include "forms/texts.h"
#include "runtime/errors.h"
#include "runtime/message_loop.h"
#include "runtime/texts.h"
#include "runtime/values.h"

namespace korvex::forms {
namespace {

struct Target {
  FormWindow* form;
  int32_t index;
};

// A unit-type property of a live unit: its routines and the kind of its
// value. A property the unit type does not have is a fatal runtime error,
// like every other failed lookup of a property access.
struct TypeProperty {
  Unit* unit;
  const UnitTypeRoutines* routines;
  int32_t number;  // the unit type's own property number
  PropertyKind kind;
};
TypeProperty ResolveTypeProperty(const Target& t, uint32_t window, uint32_t unit_id,
                                 int32_t property, int32_t index) {
  TypeProperty p{t.form->UnitAt(t.index), UnitInterface(t.form->record().UnitType(t.index)), 0,
                 PropertyKind::kNone};
  if (p.unit && p.routines && p.routines->property_kind && p.routines->get_property &&
      p.routines->set_property && UnitTypePropertyNumber(property, &p.number))
    p.kind = p.routines->property_kind(p.number, index);
  if (p.kind == PropertyKind::kNone)
    ReportError(kNoSuchPropertyText, 0, window, static_cast<int32_t>(unit_id));
  return p;
}

// The open window and the unit index; fatal when either is missing.
Target Resolve(uint32_t window, uint32_t unit, bool write) {
  if (!Windows().Find(window)) ReportError(kWindowNotLoadedText, 0, window, 0);
  FormWindow* form = FindForm(window);
  if (!form)
    ReportError(write ? kWriteWindowNotLoadedText : kReadWindowNotLoadedText, 0, window, 0);
  const int32_t index = form->record().FindUnit(unit);
  if (index < 0) ReportError(kUnitMissingText, 0, window, static_cast<int32_t>(unit));
  return {form, index};
}

// --- Menu items ---------------------------------------------------------------------

// The flag of a menu item that a boolean property keeps, and whether the
// property is its inverse; false for a number that is no menu-item property.
bool MenuItemFlag(int32_t property, uint32_t* flag, bool* inverted) {
  int32_t own = -1;
  if (property == kPropertyVisible) {
    *flag = kMenuItemHidden;
    *inverted = true;
  } else if (property == kPropertyDisabled) {
    *flag = kMenuItemDisabled;
    *inverted = false;
  } else if (UnitTypePropertyNumber(property, &own) && own == kMenuItemCheck) {
    *flag = kMenuItemChecked;
    *inverted = false;
  } else {
    return false;
  }
  return true;
}

bool IsMenuItemCaption(int32_t property) {
  int32_t own = -1;
  return UnitTypePropertyNumber(property, &own) && own == kMenuItemCaption;
}

ArgRecord ReadMenuItemProperty(const Target& t, uint32_t window, uint32_t unit, int32_t property) {
  const WindowRecord& record = t.form->record();
  if (IsMenuItemCaption(property)) {
    const std::string_view caption = record.MenuCaption(t.index);
    return MakePointer(NewText(caption.data(), static_cast<int32_t>(caption.size())), tag::kText);
  }
  uint32_t flag = 0;
  bool inverted = false;
  if (!MenuItemFlag(property, &flag, &inverted))
    ReportError(kNoSuchPropertyText, 0, window, static_cast<int32_t>(unit));
  const bool set = (record.ReadField(t.index, UnitField::kFlags) & flag) != 0;
  return MakeBool(set != inverted);
}

void WriteMenuItemProperty(const Target& t, uint32_t window, uint32_t unit, int32_t property,
                           uint32_t low, uint32_t high) {
  WindowRecord& record = t.form->record();
  if (IsMenuItemCaption(property)) {
    const char* caption = PointerOf<const char>(ArgRecord{low, high, tag::kText});
    record.SetMenuCaption(t.index, caption ? caption : "");
  } else {
    uint32_t flag = 0;
    bool inverted = false;
    if (!MenuItemFlag(property, &flag, &inverted))
      ReportError(kNoSuchPropertyText, 0, window, static_cast<int32_t>(unit));
    const uint32_t flags = record.ReadField(t.index, UnitField::kFlags);
    const bool set = (low != 0) != inverted;
    record.WriteField(t.index, UnitField::kFlags, set ? (flags | flag) : (flags & ~flag));
  }
  t.form->ApplyMenu();
}

int32_t ClampPosition(int32_t v) {
  return std::clamp(v, -kPositionLimit, kPositionLimit);
}

// Moves or resizes the unit's window to the geometry in its record.
void ApplyGeometry(const Target& t) {
  HWND handle = t.form->UnitHandle(t.index);
  if (!handle) return;
  const WindowRecord& record = t.form->record();
  SetWindowPos(handle, nullptr, static_cast<int32_t>(record.ReadField(t.index, UnitField::kLeft)),
               static_cast<int32_t>(record.ReadField(t.index, UnitField::kTop)),
               static_cast<int32_t>(record.ReadField(t.index, UnitField::kWidth)),
               static_cast<int32_t>(record.ReadField(t.index, UnitField::kHeight)),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetFlag(WindowRecord& record, int32_t index, uint32_t flag, bool on) {
  const uint32_t flags = record.ReadField(index, UnitField::kFlags);
  record.WriteField(index, UnitField::kFlags, on ? (flags | flag) : (flags & ~flag));
}

void WriteProperty(uint32_t window, uint32_t unit, int32_t property, int32_t index, uint32_t low,
                   uint32_t high);

}  // namespace

ArgRecord ReadUnitProperty(uint32_t window, uint32_t unit, int32_t property, int32_t index) {
  const Target t = Resolve(window, unit, false);
  const WindowRecord& record = t.form->record();
  if (record.IsMenuItem(t.index)) return ReadMenuItemProperty(t, window, unit, property);
  auto field = [&](UnitField f) { return static_cast<int32_t>(record.ReadField(t.index, f)); };
  switch (property) {
    case kPropertyLeft:
      return MakeInt(field(UnitField::kLeft));
    case kPropertyTop:
      return MakeInt(field(UnitField::kTop));
    case kPropertyWidth:
      return MakeInt(field(UnitField::kWidth));
    case kPropertyHeight:
      return MakeInt(field(UnitField::kHeight));
    case kPropertyTag: {
      const std::string_view tag = record.Tag(t.index);
      return MakePointer(NewText(tag.data(), static_cast<int32_t>(tag.size())), tag::kText);
    }
    case kPropertyVisible:
      return MakeBool((record.ReadField(t.index, UnitField::kFlags) & kUnitVisible) != 0);
    case kPropertyDisabled:
      return MakeBool((record.ReadField(t.index, UnitField::kFlags) & kUnitDisabled) != 0);
    case kPropertyMousePointer: {
      // A standard pointer by number; a cursor image as kPointerImage.
      const std::span<const uint8_t> block = record.MousePointer(t.index);
      if (block.size() > 4) return MakeInt(kPointerImage);
      return MakeInt(block.size() == 4 ? LoadInt32(block.data()) : 0);
    }
    default:
      break;
  }
  const TypeProperty p = ResolveTypeProperty(t, window, unit, property, index);
  ArgRecord value = p.routines->get_property(*p.unit, p.number, index);
  value.tag = TypeTagOf(p.kind);
  return value;
}

void WriteUnitProperty(uint32_t window, uint32_t unit, int32_t property, int32_t index,
                       uint32_t low, uint32_t high) {
  // Waiting messages are handled before and after the write, so that the
  // write sees the window as they leave it and its effects show at once.
  ProcessPendingMessages();
  WriteProperty(window, unit, property, index, low, high);
  ProcessPendingMessages();
}

namespace {

void WriteProperty(uint32_t window, uint32_t unit, int32_t property, int32_t index, uint32_t low,
                   uint32_t high) {
  const Target t = Resolve(window, unit, true);
  WindowRecord& record = t.form->record();
  if (record.IsMenuItem(t.index)) {
    WriteMenuItemProperty(t, window, unit, property, low, high);
    return;
  }
  HWND handle = t.form->UnitHandle(t.index);
  const auto value = static_cast<int32_t>(low);
  switch (property) {
    case kPropertyLeft:
      record.WriteField(t.index, UnitField::kLeft, static_cast<uint32_t>(ClampPosition(value)));
      ApplyGeometry(t);
      return;
    case kPropertyTop:
      record.WriteField(t.index, UnitField::kTop, static_cast<uint32_t>(ClampPosition(value)));
      ApplyGeometry(t);
      return;
    case kPropertyWidth:
      record.WriteField(t.index, UnitField::kWidth, static_cast<uint32_t>(std::max(value, 0)));
      ApplyGeometry(t);
      return;
    case kPropertyHeight:
      record.WriteField(t.index, UnitField::kHeight, static_cast<uint32_t>(std::max(value, 0)));
      ApplyGeometry(t);
      return;
    case kPropertyTag: {
      ArgRecord text{low, high, tag::kText};
      const char* tag_text = PointerOf<const char>(text);
      record.SetTag(t.index, tag_text ? tag_text : "");
      return;
    }
    case kPropertyVisible:
      SetFlag(record, t.index, kUnitVisible, value != 0);
      if (handle) ShowWindow(handle, value != 0 ? SW_SHOW : SW_HIDE);
      return;
    case kPropertyDisabled:
      SetFlag(record, t.index, kUnitDisabled, value != 0);
      if (handle) EnableWindow(handle, value == 0);
      return;
    case kPropertyMousePointer: {
      if (value == kPointerImage) return;  // the pointer stays as it is
      uint8_t block[4];
      StoreInt32(block, value);
      record.SetMousePointer(t.index, block);
      t.form->SetUnitCursor(t.index, block);
      return;
    }
    default:
      break;
  }
  const TypeProperty p = ResolveTypeProperty(t, window, unit, property, index);
  p.routines->set_property(*p.unit, p.number, index, ArgRecord{low, high, TypeTagOf(p.kind)});
}

}  // namespace

}  // namespace korvex::forms
