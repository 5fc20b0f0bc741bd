// The runtime's message loop: idle routines while the queue is empty, one
// message dispatched at a time otherwise. Windows only.
#pragma once

#include <windows.h>

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

// Runs the registered idle routines once, last registered first; entries of
// windows that no longer exist are removed instead.
void RunIdleRoutines();

// Whether dispatching this message should start a new idle period.
bool IsIdleTriggeringMessage(const MSG& message);

}  // namespace korvex
