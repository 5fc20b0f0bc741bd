// The process-wide state of the global hot keys that RegisterHotKeyCmd hands
// out. Hot-key presses on the subclassed window reach the notified window as
// HotKeyNotifyMessage with the hot-key id.
#pragma once

#include <windows.h>

#include <cstdint>

namespace korvex {

inline constexpr UINT kHotKeyNotifyMessage = 0x8075;
inline constexpr uint32_t kFirstHotKeyId = 33001;

struct HotKeyState {
  int32_t registrations;  // not yet unregistered
  int32_t sequence;       // registrations ever made
  uint32_t last_id;       // 33000 + sequence
  HWND notified;          // the window of the most recent registration's notice
  HWND subclassed;        // the window whose procedure was replaced
  WNDPROC saved;          // its procedure before; null while none is subclassed
};

const HotKeyState& CurrentHotKeyState();
// The procedure that subclassed windows get.
LRESULT CALLBACK HotKeyWindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l);

}  // namespace korvex
