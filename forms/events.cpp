#include "forms/events.h"

#include <algorithm>

#include "forms/template_loader.h"
#include "forms/texts.h"
#include "runtime/errors.h"

namespace korvex::forms {
namespace {

// Handlers take their 32-bit arguments on the stack and remove them themselves.
int32_t CallHandler(uintptr_t address, int32_t count, const int32_t* a) {
  using H0 = int32_t(__stdcall*)();
  using H1 = int32_t(__stdcall*)(int32_t);
  using H2 = int32_t(__stdcall*)(int32_t, int32_t);
  using H3 = int32_t(__stdcall*)(int32_t, int32_t, int32_t);
  using H4 = int32_t(__stdcall*)(int32_t, int32_t, int32_t, int32_t);
  using H5 = int32_t(__stdcall*)(int32_t, int32_t, int32_t, int32_t, int32_t);
  switch (count) {
    case 0:
      return reinterpret_cast<H0>(address)();
    case 1:
      return reinterpret_cast<H1>(address)(a[0]);
    case 2:
      return reinterpret_cast<H2>(address)(a[0], a[1]);
    case 3:
      return reinterpret_cast<H3>(address)(a[0], a[1], a[2]);
    case 4:
      return reinterpret_cast<H4>(address)(a[0], a[1], a[2], a[3]);
    default:
      return reinterpret_cast<H5>(address)(a[0], a[1], a[2], a[3], a[4]);
  }
}

}  // namespace

void RaiseEvent(EventRecord& record) {
  record.has_result = 0;
  if (EventsBlocked() > 0) return;
  WindowRecord* window = Windows().Find(record.window_id);
  if (!window) ReportError(kNoEventWindowText, 0, record.window_id, 0);
  const int32_t index = window->FindUnit(record.unit_id);
  if (index < 0)
    ReportError(kNoEventUnitText, 0, record.window_id, static_cast<int32_t>(record.unit_id));
  UnitLayout layout;
  if (!window->Layout(index, &layout))
    ReportError(kInvalidEventUnitText, 0, record.window_id, static_cast<int32_t>(record.unit_id));
  const uintptr_t handler = window->Handler(index, record.event);
  if (handler == 0) return;
  const int32_t count = std::clamp(record.arg_count, 0, 5);
  record.result = CallHandler(handler, count, record.args);
  record.has_result = 1;
}

EventRecord RaiseEvent(uint32_t window_id, uint32_t unit_id, int32_t event, int32_t arg_count,
                       const int32_t* args) {
  EventRecord record;
  record.window_id = window_id;
  record.unit_id = unit_id;
  record.event = event;
  record.arg_count = std::clamp(arg_count, 0, 5);
  if (args) std::copy(args, args + record.arg_count, record.args);
  RaiseEvent(record);
  return record;
}

int32_t RaiseUnitEvent(uint32_t window_id, uint32_t unit_id, int32_t event, int32_t otherwise,
                       int32_t arg_count, const int32_t* args) {
  const EventRecord record = RaiseEvent(window_id, unit_id, event, arg_count, args);
  return record.has_result ? record.result : otherwise;
}

}  // namespace korvex::forms
