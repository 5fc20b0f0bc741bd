// Event dispatch: from a window, unit and event number to the program's
// handler bound in the window template.
#pragma once

#include <cstdint>

namespace korvex::forms {

struct EventRecord {
  uint32_t window_id = 0;
  uint32_t unit_id = 0;
  int32_t event = 0;
  int32_t arg_count = 0;  // 0..5
  int32_t args[5] = {};
  int32_t has_result = 0;  // set when a handler ran
  int32_t result = 0;
};
static_assert(sizeof(EventRecord) == 44, "event record: eleven 32-bit fields");

// Finds the handler of (window, unit, event) and calls it with the record's
// arguments. A window or unit that is not in the template table, or a unit
// record that cannot be read, is a fatal runtime error. No call while events
// are blocked or when the event has no handler.
void RaiseEvent(EventRecord& record);

// An event with up to five int32 arguments (more are dropped); the record
// after the call tells whether a handler ran and what it returned.
EventRecord RaiseEvent(uint32_t window_id, uint32_t unit_id, int32_t event, int32_t arg_count = 0,
                       const int32_t* args = nullptr);

// The same; returns the handler's result, or `otherwise` when no handler ran.
int32_t RaiseUnitEvent(uint32_t window_id, uint32_t unit_id, int32_t event, int32_t otherwise,
                       int32_t arg_count = 0, const int32_t* args = nullptr);

}  // namespace korvex::forms
