#include "forms/form_engine.h"

#include "forms/form_window.h"
#include "forms/properties.h"
#include "runtime/errors.h"
#include "runtime/message_loop.h"
#include "runtime/unit_lookup.h"

namespace korvex::forms {
namespace {

void LoadTemplates(const uint8_t* segment, uint32_t size, const uint8_t* code_base) {
  Windows().Load(segment, size, reinterpret_cast<uintptr_t>(code_base));
}

// The platform window of a unit of an open window (the window's own for the
// window unit): false when the window is not open or has no such unit; a unit
// without a platform window of its own (the compression unit) is found, with
// a null handle.
bool FindUnitWindow(uint32_t window, uint32_t unit, void** handle) {
  FormWindow* form = FindForm(window);
  if (!form) return false;
  const int32_t index = form->record().FindUnit(unit);
  if (index < 0) return false;
  *handle = form->UnitHandle(index);
  return true;
}

// Names for error reports: the zero-terminated texts stay in the unit buffers.
const char* WindowName(uint32_t window) {
  const WindowRecord* record = Windows().Find(window);
  if (!record || record->UnitCount() < 1) return nullptr;
  return record->Name(0).data();
}

const char* UnitName(uint32_t window, uint32_t unit) {
  const WindowRecord* record = Windows().Find(window);
  if (!record) return nullptr;
  const int32_t index = unit == 0 ? 0 : record->FindUnit(unit);
  if (index < 0 || index >= record->UnitCount()) return nullptr;
  return record->Name(index).data();
}

}  // namespace

korvex::FormEngineHooks FormEngine() {
  SetUnitWindowLookup(&FindUnitWindow);
  LocationNameLookup names;
  names.window_name = &WindowName;
  names.unit_name = &UnitName;
  SetLocationNameLookup(names);
  SetMessageFilter(&FormWindow::FilterMessage);

  korvex::FormEngineHooks hooks;
  hooks.load_templates = &LoadTemplates;
  hooks.load_window = &LoadWindow;
  hooks.any_window_exists = &AnyFormWindowExists;
  hooks.destroy_all_windows = &DestroyAllFormWindows;
  hooks.read_property = &ReadUnitProperty;
  hooks.write_property = &WriteUnitProperty;
  return hooks;
}

}  // namespace korvex::forms
