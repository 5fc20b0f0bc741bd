// Runtime error reports and the program end.
#include "runtime/errors.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/cxx_runtime.h"
#include "base/text_format.h"
#include "runtime/platform.h"
#include "runtime/texts.h"
#include "runtime/values.h"

namespace korvex {
namespace {

// Messages by error code, 1..11.
const char* const kCodedMessages[] = {
    kSubscriptTooLargeText,  kNotNumericText,          kDimensionMismatchText,
    kSubscriptBelowOneText,  kTypeMismatchText,        kStackAfterDllCallText,
    kSubStatementResultText, kComparisonOnlyEqualText, kChoiceIndexText,
    kRedimensionText,        kArgumentTypeText,
};

constexpr uint32_t kErrorBoxStyle = 0x10;  // error icon, one OK button

// Limits of the report texts: every piece is cut to fit, never written past.
constexpr size_t kNameLimit = 256;
constexpr size_t kLocationCapacity = 1024;
constexpr size_t kReportCapacity = 4096;

// A text built into a fixed buffer. Appends that do not fit are cut at a
// character boundary of code page 936.
template <size_t Capacity>
class BoundedText {
 public:
  BoundedText() { buffer_[0] = '\0'; }
  void Append(const char* text, size_t limit = Capacity) {
    if (text == nullptr) return;
    size_t room = Capacity - 1 - length_;
    if (limit > room) limit = room;
    size_t n = 0;
    while (n < limit && text[n] != '\0') {
      auto lead = static_cast<unsigned char>(text[n]);
      size_t step = (lead >= 0x81 && lead <= 0xFE && text[n + 1] != '\0') ? 2 : 1;
      if (n + step > limit) break;
      n += step;
    }
    std::memcpy(buffer_ + length_, text, n);
    length_ += n;
    buffer_[length_] = '\0';
  }
  void AppendQuoted(const char* text) {
    Append("\"");
    Append(text, kNameLimit);
    Append("\"");
  }
  void AppendNumber(int64_t v) { Append(DecimalText(v).c_str()); }
  const char* c_str() const { return buffer_; }
  size_t size() const { return length_; }

 private:
  char buffer_[Capacity];
  size_t length_ = 0;
};

using LocationText = BoundedText<kLocationCapacity>;
using ReportText = BoundedText<kReportCapacity>;

ErrorHandler g_handler = nullptr;
bool g_handler_in_progress = false;
LocationNameLookup g_names;
std::atomic<int32_t> g_events_blocked{0};
// Two facts of the end, kept apart. A fatal report owns the end from before
// its box is shown: the thread reporting (0: none) decides how the process
// ends, with 0xFFFFFFFF and the clean-up routines dropped, whoever runs the
// end steps. Those steps run once, marked by g_end_started, which a thread
// that ends the process itself also takes.
std::atomic<uint32_t> g_fatal_reporter{0};
std::atomic<bool> g_end_started{false};
std::atomic<uint32_t> g_main_thread{0};
std::atomic<void*> g_hidden_owner{nullptr};
std::vector<CleanupRoutine> g_cleanup_routines;
EndSteps g_end_steps;
ProcessExit g_process_exit = nullptr;
ThreadPark g_thread_park = nullptr;
MessageBoxRoutine g_message_box = nullptr;

void BuildLocation(uint32_t location, int32_t line, LocationText& out) {
  out.Append("\r\n");
  out.AppendNumber(location);
  out.Append(", ");
  out.AppendNumber(line);
  if (location != 0 && ((location >> 24) & 0xF) == 2) {
    const char* window = g_names.window_name ? g_names.window_name(location) : nullptr;
    out.Append("\r\n");
    if (window == nullptr) {
      out.Append(kWindowNotFound);
    } else {
      out.AppendQuoted(window);
      // Line 0 asks for the window's own entry (unit 0 of the lookup), whatever
      // id the window's own unit has. Menu item ids (kind 2) never name a
      // component here.
      uint32_t unit = static_cast<uint32_t>(line);
      const char* name = nullptr;
      if ((unit >> 28) != 2 && g_names.unit_name != nullptr)
        name = g_names.unit_name(location, unit);
      out.Append("\r\n");
      if (name != nullptr) {
        out.AppendQuoted(name);
      } else {
        out.Append(kUnitNotFound);
      }
    }
  }
  out.Append("\r\n");
}

void BuildBox(const char* message, int32_t code, const char* location_text, ReportText& out) {
  out.Append(kRuntimeErrorHeading);
  out.Append("\r\n");
  if (code != 0) {
    out.Append("\r\n");
    out.Append(kErrorCodeLabel);
    out.AppendNumber(code);
    out.Append("\r\n");
  }
  if (message != nullptr && *message != '\0') {
    out.Append("\r\n");
    out.Append(kErrorMessageLabel);
    out.Append(message, kReportCapacity / 2);
    out.Append("\r\n");
  }
  out.Append(location_text);
}

[[noreturn]] void ExitNow(uint32_t exit_code) {
  if (g_process_exit != nullptr) {
    g_process_exit(exit_code);
    std::abort();  // a replacement must not return
  }
  platform::TerminateProcessNow(exit_code);
}

// A thread that must not end the process waits here until the main thread
// ends it.
[[noreturn]] void ParkThread() {
  if (g_thread_park != nullptr) {
    g_thread_park();
    std::abort();  // a replacement must not return
  }
  platform::WaitForProcessEnd();
}

bool FatalEnd() {
  return g_fatal_reporter.load() != 0;
}

// The exit code of an end: a fatal report's, once one has begun.
uint32_t EndCode(uint32_t requested) {
  return FatalEnd() ? kFatalExitCode : requested;
}

void RunEndSteps() {
  EndSteps steps = g_end_steps;
  if (steps.clear_idle_routines) steps.clear_idle_routines();
  if (steps.destroy_windows) steps.destroy_windows();
  // After an error the program's clean-up routines are dropped unrun;
  // otherwise routines registered while these run are run as well.
  if (!FatalEnd()) {
    for (size_t i = 0; i < g_cleanup_routines.size(); ++i) g_cleanup_routines[i]();
  }
  g_cleanup_routines.clear();
  if (steps.notify_libraries_end) steps.notify_libraries_end();
  if (steps.release_declared_modules) steps.release_declared_modules();
  ClearConstantSegment();
  if (steps.release_runtime_objects) steps.release_runtime_objects();
}

// Clears the in-progress mark however the handler leaves.
struct HandlerCall {
  HandlerCall() { g_handler_in_progress = true; }
  ~HandlerCall() { g_handler_in_progress = false; }
  HandlerCall(const HandlerCall&) = delete;
  HandlerCall& operator=(const HandlerCall&) = delete;
};

}  // namespace

const char* CodedErrorMessage(int32_t code) {
  constexpr int32_t count = static_cast<int32_t>(sizeof kCodedMessages / sizeof kCodedMessages[0]);
  return (code >= 1 && code <= count) ? kCodedMessages[code - 1] : "";
}

void ReportError(const char* message, int32_t code, uint32_t location, int32_t line) {
  BlockEvents();
  // The report owns the end before its box runs a message loop in which an
  // end request of another thread could arrive; the first report keeps it.
  uint32_t none = 0;
  g_fatal_reporter.compare_exchange_strong(none, platform::CurrentThreadId());
  if (message == nullptr) message = "";
  LocationText location_text;
  BuildLocation(location, line, location_text);

  bool suppressed = false;
  if (g_handler != nullptr && !g_handler_in_progress) {
    ReportText text;
    text.Append(message, kReportCapacity / 2);
    text.Append(location_text.c_str());
    HandlerCall call;
    suppressed = g_handler(code, text.c_str()) != 0;
  }
  if (!suppressed) {
    ReportText box;
    BuildBox(message, code, location_text.c_str(), box);
    if (g_message_box != nullptr) {
      g_message_box(box.c_str(), kErrorBoxTitle, kErrorBoxStyle);
    } else {
      platform::ShowMessageBox(box.c_str(), kErrorBoxTitle, kErrorBoxStyle);
    }
  }
  EndProgram(kFatalExitCode);
}

void RaiseCodedError(int32_t code, uint32_t location, int32_t line) {
  ReportError(CodedErrorMessage(code), code, location, line);
}

// The program's C++ support (base/cxx_runtime.cpp) reports the library's
// errors other than allocation failures as runtime errors: the box with the
// library's description, then the end with 0xFFFFFFFF, every end step run.
void HandleLibraryError(const char* what) {
  ReportError(what, 0, 0, 0);
}

void SetErrorHandler(ErrorHandler handler) {
  g_handler = handler;
}
void SetLocationNameLookup(const LocationNameLookup& lookup) {
  g_names = lookup;
}

std::string BuildLocationText(uint32_t location, int32_t line) {
  LocationText text;
  BuildLocation(location, line, text);
  return std::string(text.c_str(), text.size());
}

std::string BuildErrorBoxText(const char* message, int32_t code, const std::string& location_text) {
  ReportText text;
  BuildBox(message, code, location_text.c_str(), text);
  return std::string(text.c_str(), text.size());
}

void EndProgram(uint32_t exit_code) {
  BlockEvents();
  const uint32_t self = platform::CurrentThreadId();
  const uint32_t main_thread = g_main_thread.load();
  if (main_thread != 0 && self != main_thread) {
    // The main thread ends the program when it gets the request. Should the
    // request not reach it, this thread ends the process itself, but only while
    // the clean-up has not begun: once it has, the main thread finishes it and
    // ends the process. Claiming the clean-up keeps the main thread from
    // starting it while this thread ends the process. A report under way on
    // another thread ends the program itself once its box is closed.
    platform::SendEndRequest(g_hidden_owner.load(), kEndRequestMessage, exit_code);
    const uint32_t reporter = g_fatal_reporter.load();
    if (reporter != 0 && reporter != self) ParkThread();
    if (!g_end_started.exchange(true)) ExitNow(EndCode(exit_code));
    ParkThread();
  }
  RunProgramEndCleanup();
  ExitNow(EndCode(exit_code));
}

void AnswerEndRequest(uint32_t exit_code) {
  // A clean-up under way (the request arrived while it dispatched messages)
  // ends the process itself once it is complete, and so does a report whose
  // box is open on this thread (the request arrived through the box's loop).
  if (g_end_started.load()) return;
  if (g_fatal_reporter.load() == platform::CurrentThreadId()) return;
  EndProgram(exit_code);
}

void RunProgramEndCleanup() {
  if (g_end_started.exchange(true)) return;
  RunEndSteps();
}

bool ProgramEndStarted() {
  return g_end_started.load();
}

void SetMainThread(uint32_t thread_id) {
  g_main_thread = thread_id;
}
void SetHiddenOwnerWindow(void* window) {
  g_hidden_owner = window;
}

void RegisterCleanupRoutine(CleanupRoutine routine) {
  if (routine == nullptr) return;
  for (CleanupRoutine known : g_cleanup_routines) {
    if (known == routine) return;
  }
  g_cleanup_routines.push_back(routine);
}

EndSteps& ProgramEndSteps() {
  return g_end_steps;
}

int32_t EventsBlocked() {
  return g_events_blocked.load();
}
void BlockEvents() {
  g_events_blocked.fetch_add(1);
}

void SetProcessExitForTesting(ProcessExit exit_routine) {
  g_process_exit = exit_routine;
}
void SetThreadParkForTesting(ThreadPark park) {
  g_thread_park = park;
}
void SetMessageBoxForTesting(MessageBoxRoutine routine) {
  g_message_box = routine;
}

void ResetProgramEndForTesting() {
  g_handler = nullptr;
  g_handler_in_progress = false;
  g_names = LocationNameLookup{};
  g_events_blocked = 0;
  g_fatal_reporter = 0;
  g_end_started = false;
  g_main_thread = 0;
  g_hidden_owner = nullptr;
  g_cleanup_routines.clear();
  g_end_steps = EndSteps{};
}

}  // namespace korvex
