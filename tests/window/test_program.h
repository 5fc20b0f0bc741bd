// A test program for the runtime and the form engine: the real program image
// layout (information block, constant segment, the generated window template)
// with a code block of recording routines at the template's handler offsets,
// and a library table whose notify routines record their calls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/program_layout.h"
#include "app/routines.h"
#include "runtime/call_protocol.h"

// The program image's tables, laid down by test_program.cpp in the product's
// place: a library table of recording records, and the product's declared
// functions (app/declared_functions.def).
extern "C" const korvex::LibraryRecord* const ProgramLibraryTable[korvex::kLibraryCount];

namespace test_program {

inline constexpr uint32_t kWindowId = korvex::app::kMainWindowId;
inline constexpr uint32_t kWindowUnit = korvex::forms::kWindowUnitId;
inline constexpr uint32_t kButton3 = korvex::app::kManualButtonUnit;  // "手动安装"
inline constexpr uint32_t kLabel = korvex::app::kHotKeyLabelUnit;
inline constexpr uint32_t kButton2 = korvex::app::kUninstallButtonUnit;  // "一键卸载"
inline constexpr uint32_t kButton1 = korvex::app::kInstallButtonUnit;    // "一键安装"
inline constexpr uint32_t kCompressor = korvex::app::kZipCompressorUnit;

// What the routines did, in order ("entry", "created", "button1", ...).
std::vector<std::string>& Log();
// Run by the entry routine (after logging "entry").
extern std::function<void()> entry_script;
// Run by the window-created routine.
extern std::function<void()> created_script;
// Returned by the close-query routine.
extern int32_t allow_close;
// Run by the routines of the second test window with their event number.
extern std::function<void(int32_t event)> window_event_script;
// Run by that window's idle routine with the elapsed milliseconds; its result
// is the routine's (0 when unset).
extern std::function<int32_t(int32_t elapsed)> idle_script;
// Run by the recording notify routines with the code they received.
extern std::function<void(int32_t code)> notify_script;

struct NotifyCall {
  int32_t library;
  int32_t code;
  intptr_t p1;
  intptr_t p2;
};
std::vector<NotifyCall>& NotifyCalls();

// The unit's live platform window (null when not open).
HWND UnitWindow(uint32_t unit);

}  // namespace test_program
