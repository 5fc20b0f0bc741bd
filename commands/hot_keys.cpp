// Global hot keys: the first registration subclasses its window so that
// WM_HOTKEY of our ids is passed to the notified window as
// HotKeyNotifyMessage; the last unregistration gives the window its own
// procedure back.
#include "commands/hot_keys.h"

#include <windows.h>

#include <cstdint>

#include "commands/commands.h"
#include "runtime/arg_record.h"

namespace korvex {
namespace {

HotKeyState g_state = {};

// Window handles travel as 32-bit integers; on 64-bit Windows their values
// are sign-extended 32-bit numbers.
HWND WindowOf(const ArgRecord& r) {
  return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(r.low)));
}

UINT ModifiersOf(int32_t code) {
  switch (code) {
    case 1:
      return MOD_CONTROL;
    case 2:
      return MOD_SHIFT;
    case 3:
      return MOD_CONTROL | MOD_SHIFT;
    case 4:
      return MOD_ALT;
    case 5:
      return MOD_ALT | MOD_CONTROL;
    case 6:
      return MOD_ALT | MOD_SHIFT;
    default:
      return static_cast<UINT>(code);
  }
}

}  // namespace

const HotKeyState& CurrentHotKeyState() {
  return g_state;
}

LRESULT CALLBACK HotKeyWindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  // The notice may run code that unregisters the last key and restores the
  // window; pass the message on to the procedure that was current here.
  const WNDPROC next = g_state.saved;
  if (message == WM_HOTKEY && w >= kFirstHotKeyId && w <= g_state.last_id) {
    ::SendMessageA(g_state.notified, kHotKeyNotifyMessage, w, 0);
  }
  if (next == nullptr) return ::DefWindowProcA(window, message, w, l);
  return ::CallWindowProcA(next, window, message, w, l);
}

void RegisterHotKeyCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  SetIntResult(result, 0);
  if (count < 4) return;
  const HWND window = WindowOf(args[0]);
  g_state.notified = WindowOf(args[1]);
  const UINT modifiers = ModifiersOf(IntOf(args[2]));
  const UINT key = static_cast<UINT>(IntOf(args[3]));

  if (g_state.saved == nullptr) {
    const LONG_PTR previous = ::SetWindowLongPtrA(
        window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HotKeyWindowProcedure));
    if (previous != 0) {
      g_state.saved = reinterpret_cast<WNDPROC>(previous);
      g_state.subclassed = window;
    }
  }
  ++g_state.registrations;
  ++g_state.sequence;
  g_state.last_id = kFirstHotKeyId - 1 + static_cast<uint32_t>(g_state.sequence);
  const int id = static_cast<int>(g_state.last_id);
  if (::RegisterHotKey(window, id, modifiers, key)) SetIntResult(result, id);
}

void UnregisterHotKeyCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  SetBoolResult(result, false);
  if (count < 2) return;
  const bool unregistered = ::UnregisterHotKey(WindowOf(args[0]), IntOf(args[1])) != FALSE;
  // The count goes down also when the platform refused; it never goes below
  // zero, so a stray call cannot keep a later subclassing from being undone.
  if (g_state.registrations > 0) --g_state.registrations;
  if (g_state.saved != nullptr && g_state.registrations == 0) {
    // Always the window that was subclassed, whatever window was named here.
    ::SetWindowLongPtrA(g_state.subclassed, GWLP_WNDPROC,
                        reinterpret_cast<LONG_PTR>(g_state.saved));
    g_state.saved = nullptr;
    g_state.subclassed = nullptr;
  }
  SetBoolResult(result, unregistered);
}

}  // namespace korvex
