#include "tests/window/test_program.h"

#include "forms/form_window.h"
#include "runtime/library_record.h"

namespace test_program {

std::function<void()> entry_script;
std::function<void()> created_script;
int32_t allow_close = 1;
std::function<void(int32_t event)> window_event_script;
std::function<int32_t(int32_t elapsed)> idle_script;
std::function<void(int32_t code)> notify_script;

std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

std::vector<NotifyCall>& NotifyCalls() {
  static std::vector<NotifyCall> calls;
  return calls;
}

HWND UnitWindow(uint32_t unit) {
  korvex::forms::FormWindow* form = korvex::forms::FindForm(kWindowId);
  if (!form) return nullptr;
  return form->UnitHandle(form->record().FindUnit(unit));
}

namespace {

template <int32_t N>
intptr_t RecordNotify(int32_t code, intptr_t p1, intptr_t p2) {
  NotifyCalls().push_back({N, code, p1, p2});
  if (notify_script) notify_script(code);
  return 0;
}

using korvex::LibraryRecord;
constexpr LibraryRecord Library(korvex::NotifyRoutine notify) {
  LibraryRecord r{};
  r.format_mark = korvex::kLibraryFormatMark;
  r.notify = notify;
  return r;
}
// One record per library; the compression library has no notify routine: it
// is skipped.
const LibraryRecord kLibraries[korvex::kLibraryCount] = {
#define LIBRARY(index, record) \
  Library(korvex::index == korvex::kCompressionLibrary ? nullptr : &RecordNotify<korvex::index>),
#include "runtime/libraries.def"
};

}  // namespace
}  // namespace test_program

using test_program::Log;

extern "C" {
extern const korvex::LibraryRecord* const ProgramLibraryTable[korvex::kLibraryCount] = {
#define LIBRARY(index, record) &test_program::kLibraries[korvex::index],
#include "runtime/libraries.def"
};
extern const char* const DeclaredModuleNames[kDeclaredFunctionCount] = {
#define DECLARED_FUNCTION(name, module, export_name) module,
#include "app/declared_functions.def"
};
extern const char* const DeclaredFunctionNames[kDeclaredFunctionCount] = {
#define DECLARED_FUNCTION(name, module, export_name) export_name,
#include "app/declared_functions.def"
};

int32_t __stdcall TestProgramEntry() {
  Log().push_back("entry");
  if (test_program::entry_script) test_program::entry_script();
  return 0;
}
int32_t __stdcall TestOnMainWindowCreated() {
  Log().push_back("created");
  if (test_program::created_script) test_program::created_script();
  return 0;
}
int32_t __stdcall TestOnOneClickInstall() {
  Log().push_back("button1");
  return 0;
}
int32_t __stdcall TestOnOneClickUninstall() {
  Log().push_back("button2");
  return 0;
}
int32_t __stdcall TestOnManualInstall() {
  Log().push_back("button3");
  return 0;
}
int32_t __stdcall TestOnMainWindowClosing() {
  Log().push_back("close-query");
  return test_program::allow_close;
}
int32_t __stdcall TestOnHotKeyFeedback(int32_t id, int32_t second) {
  Log().push_back("hotkey " + std::to_string(id) + " " + std::to_string(second));
  return 0x1000 + id;
}

int32_t __stdcall TestOnIdle(int32_t elapsed) {
  return test_program::idle_script ? test_program::idle_script(elapsed) : 0;
}

#define WINDOW_EVENT_ROUTINE(n)                                                  \
  int32_t TestOnWindowEvent##n() {                                               \
    Log().push_back("window event " #n);                                         \
    if (test_program::window_event_script) test_program::window_event_script(n); \
    return test_program::allow_close;                                            \
  }
WINDOW_EVENT_ROUTINE(0)
WINDOW_EVENT_ROUTINE(1)
WINDOW_EVENT_ROUTINE(2)
WINDOW_EVENT_ROUTINE(3)
WINDOW_EVENT_ROUTINE(4)
WINDOW_EVENT_ROUTINE(5)
WINDOW_EVENT_ROUTINE(6)
WINDOW_EVENT_ROUTINE(8)
WINDOW_EVENT_ROUTINE(10)
WINDOW_EVENT_ROUTINE(11)
WINDOW_EVENT_ROUTINE(12)
}
