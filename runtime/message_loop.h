// The runtime's message loop: idle routines while the queue is empty, one
// message dispatched at a time otherwise. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>

namespace korvex {

enum class LoopMode {
  kMain = 0,   // returns when the quit message has been taken from the queue
  kModal = 1,  // returns when *modal_active turns false or a quit message waits
};

// Runs the loop in the given mode. In the modal mode the quit message is left
// in the queue for the main loop.
void RunMessageLoop(LoopMode mode, const volatile bool* modal_active = nullptr);

// Dispatches waiting messages until the queue is empty or a quit message is at
// its head (it stays queued).
void ProcessPendingMessages();

// Offered every message that the loop and ProcessPendingMessages take from
// the queue, before they translate and dispatch it; returns true when it has
// handled the message itself (nothing else is done with it then). The form
// engine installs its windows' keyboard handling here; null removes it.
using MessageFilter = bool (*)(MSG* message);
void SetMessageFilter(MessageFilter filter);

// Runs the registered idle routines once, last registered first; entries of
// windows that no longer exist are removed instead.
void RunIdleRoutines();

// Called by an idle routine that wants to run again before the loop waits for
// the next message; without such a request the loop blocks in GetMessage.
void KeepIdling();
// Milliseconds since the current idle period began (the loop's first idle pass
// after the last idle-triggering message).
uint32_t IdleElapsedMilliseconds();

// Whether dispatching this message should start a new idle period.
bool IsIdleTriggeringMessage(const MSG& message);

}  // namespace korvex
