// Runtime errors and program end. Reporting shows one message box and ends
// the program; ending releases everything the runtime holds, once.
#pragma once

#include <cstdint>
#include <string>

namespace korvex {

inline constexpr uint32_t kFatalExitCode = 0xFFFFFFFF;

// Error codes raised by checks in the program's code (messages by code 1..11).
enum ErrorCode : int32_t {
  kErrSubscriptTooLarge = 1,
  kErrNotNumeric = 2,
  kErrDimensionMismatch = 3,
  kErrSubscriptBelowOne = 4,
  kErrTypeMismatch = 5,
  kErrStackAfterDllCall = 6,
};
const char* CodedErrorMessage(int32_t code);  // "" for codes outside 1..11

// Reports a runtime error and ends the program with 0xFFFFFFFF. The report
// owns the end from its start: any end requested meanwhile (on this thread or
// another) ends with 0xFFFFFFFF and drops the clean-up routines unrun, while
// the other end steps still run.
[[noreturn]] void ReportError(const char* message, int32_t code, uint32_t location, int32_t line);
// The program-code form: the message is looked up by code.
[[noreturn]] void RaiseCodedError(int32_t code, uint32_t location, int32_t line);

// Optional handler that may replace the message box: non-zero suppresses it.
using ErrorHandler = int32_t (*)(int32_t code, const char* text);
void SetErrorHandler(ErrorHandler handler);

// Names for the location text of a report, answered by the form engine from its
// window template table: null when the window or unit is not there. Unit 0 of a
// window asks for the window's own entry.
struct LocationNameLookup {
  const char* (*window_name)(uint32_t window) = nullptr;
  const char* (*unit_name)(uint32_t window, uint32_t unit) = nullptr;
};
void SetLocationNameLookup(const LocationNameLookup& lookup);

// Builds the texts of a report (exposed for tests).
std::string BuildLocationText(uint32_t location, int32_t line);
std::string BuildErrorBoxText(const char* message, int32_t code, const std::string& location_text);

// Ends the program with the exit code after the clean-up (once only).
[[noreturn]] void EndProgram(uint32_t exit_code);
// The clean-up of EndProgram without ending the process, for the application's
// normal exit path; does nothing once the clean-up has started.
void RunProgramEndCleanup();
bool ProgramEndStarted();

// An end requested on another thread is sent to the hidden owner window as this
// message (wParam = exit code); the main thread's window procedure then calls
// AnswerEndRequest. Start-up records the main thread and the window.
inline constexpr uint32_t kEndRequestMessage = 0x83E7;
// Ends the program on the main thread, unless its clean-up is already under
// way or this thread is showing an error report: then it returns, and the
// clean-up or the report ends the process when complete.
void AnswerEndRequest(uint32_t exit_code);
void SetMainThread(uint32_t thread_id);
void SetHiddenOwnerWindow(void* window);

// Clean-up routines run at program end in registration order; a routine
// registered twice runs once (service 3).
using CleanupRoutine = void (*)();
void RegisterCleanupRoutine(CleanupRoutine routine);

// Steps of the program-end clean-up, filled in by the application
// (InstallRuntimeEntries) and the declared functions (InitDeclaredFunctions),
// run in this order.
struct EndSteps {
  void (*clear_idle_routines)() = nullptr;
  void (*destroy_windows)() = nullptr;
  // after the registered clean-up routines:
  void (*notify_libraries_end)() = nullptr;  // notify code 6
  void (*release_declared_modules)() = nullptr;
  void (*release_runtime_objects)() = nullptr;  // icons, hidden owner, OLE
};
EndSteps& ProgramEndSteps();

// Events are blocked while this is above zero (raised by report and end).
int32_t EventsBlocked();
void BlockEvents();

// Test seam: what ends the process. The default ends it for real; a test may
// install a routine that unwinds instead (it must not return normally).
using ProcessExit = void (*)(uint32_t exit_code);
void SetProcessExitForTesting(ProcessExit exit_routine);
// Test seam: what another thread does when it may not end the process because
// the main thread's clean-up or an error report is under way. The default
// waits until the process ends; a test may install a routine that unwinds (it
// must not return normally).
using ThreadPark = void (*)();
void SetThreadParkForTesting(ThreadPark park);
// Test seam: what shows the error box (text, title, style). Null restores the
// system message box.
using MessageBoxRoutine = void (*)(const char* text, const char* title, uint32_t style);
void SetMessageBoxForTesting(MessageBoxRoutine routine);
// Forgets the end state, the handler, the clean-up list and the end steps.
void ResetProgramEndForTesting();

}  // namespace korvex
