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

// Reports a runtime error and ends the program with 0xFFFFFFFF.
[[noreturn]] void ReportError(const char* message, int32_t code, uint32_t location, int32_t line);
// The program-code form: the message is looked up by code.
[[noreturn]] void RaiseCodedError(int32_t code, uint32_t location, int32_t line);

// Optional handler that may replace the message box: non-zero suppresses it.
using ErrorHandler = int32_t (*)(int32_t code, const char* text);
void SetErrorHandler(ErrorHandler handler);

// Builds the texts of a report (exposed for tests).
std::string BuildLocationText(uint32_t location, int32_t line);
std::string BuildErrorBoxText(const char* message, int32_t code, const std::string& location_text);

// Ends the program with the exit code after the clean-up (once only).
[[noreturn]] void EndProgram(uint32_t exit_code);

// Clean-up routines run at program end in registration order; a routine
// registered twice runs once (service 3).
using CleanupRoutine = void (*)();
void RegisterCleanupRoutine(CleanupRoutine routine);

// Steps of the program-end clean-up that other parts of the runtime fill in,
// run in this order after the idle lists are emptied.
struct EndSteps {
  void (*clear_idle_routines)() = nullptr;
  void (*destroy_windows)() = nullptr;
  // after the registered clean-up routines:
  void (*notify_libraries_end)() = nullptr;   // notify code 6
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
void ResetProgramEndForTesting();

}  // namespace korvex
