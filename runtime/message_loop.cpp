#include "runtime/message_loop.h"

#include "runtime/application.h"

namespace korvex {
namespace {

// Set by an idle routine that wants another pass before the loop waits.
bool g_more_idle = false;
// When the current idle period began (the first pass after a message).
DWORD g_idle_period_start = 0;

// The framework's idle handler: the idle routines do the work; another pass
// follows only when one of them asked for it, otherwise the loop waits in
// GetMessage.
bool FrameworkIdle(long /*idle_count*/) {
  const bool more = g_more_idle;
  g_more_idle = false;
  return more;
}

bool QueueHasMessage(MSG* message) {
  return PeekMessageW(message, nullptr, 0, 0, PM_NOREMOVE) != FALSE;
}

MessageFilter g_filter = nullptr;

// The filter's turn first; what it leaves is translated and dispatched.
void DispatchOne(MSG* message) {
  if (g_filter && g_filter(message)) return;
  TranslateMessage(message);
  DispatchMessageW(message);
}

// Takes one message from the queue and dispatches it; false when it was the
// quit message.
bool PumpMessage(MSG* message) {
  if (GetMessageW(message, nullptr, 0, 0) <= 0) return false;
  DispatchOne(message);
  return true;
}

bool ModalEnded(LoopMode mode, const volatile bool* modal_active) {
  return mode == LoopMode::kModal && (modal_active == nullptr || !*modal_active);
}

}  // namespace

bool IsIdleTriggeringMessage(const MSG& message) {
  switch (message.message) {
    case WM_PAINT:
    case 0x0118:  // the system's caret-blink timer
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
      return false;
    default:
      return true;
  }
}

void KeepIdling() {
  g_more_idle = true;
}

uint32_t IdleElapsedMilliseconds() {
  return GetTickCount() - g_idle_period_start;
}

void RunIdleRoutines() {
  Application& app = App();
  // Last registered first. A routine may add or remove entries, so the index
  // is checked against the current size on every step.
  for (size_t i = app.idle_routines.size(); i-- > 0;) {
    if (i >= app.idle_routines.size()) continue;
    if (!IsWindow(app.idle_windows[i])) {
      app.idle_windows.erase(app.idle_windows.begin() + static_cast<ptrdiff_t>(i));
      app.idle_routines.erase(app.idle_routines.begin() + static_cast<ptrdiff_t>(i));
      app.idle_parameters.erase(app.idle_parameters.begin() + static_cast<ptrdiff_t>(i));
      continue;
    }
    app.idle_routines[i](app.idle_parameters[i]);
  }
}

void RunMessageLoop(LoopMode mode, const volatile bool* modal_active) {
  MSG message{};
  bool idle = true;
  long idle_count = 0;
  for (;;) {
    while (idle && !QueueHasMessage(&message)) {
      if (idle_count == 0) g_idle_period_start = GetTickCount();
      g_more_idle = false;
      RunIdleRoutines();
      if (!FrameworkIdle(idle_count++)) idle = false;
      if (ModalEnded(mode, modal_active)) return;
    }
    do {
      if (mode == LoopMode::kModal && QueueHasMessage(&message) && message.message == WM_QUIT)
        return;
      if (!PumpMessage(&message)) return;
      if (ModalEnded(mode, modal_active)) return;
      if (IsIdleTriggeringMessage(message)) {
        idle = true;
        idle_count = 0;
      }
    } while (QueueHasMessage(&message));
  }
}

void ProcessPendingMessages() {
  MSG message{};
  while (QueueHasMessage(&message) && message.message != WM_QUIT) {
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) break;
    if (message.message == WM_QUIT) {
      // Another thread slipped a quit in between: put it back for the loop.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    DispatchOne(&message);
  }
}

void SetMessageFilter(MessageFilter filter) {
  g_filter = filter;
}

}  // namespace korvex
