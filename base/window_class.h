// Window classes of this program, all registered one way: in the program's own
// module, with the arrow cursor and no background brush unless one is given
// (the windows paint their own). Windows only.
#pragma once

#if !defined(_WIN32)
#error "base/window_class.h is for Windows builds only"
#endif

#include <windows.h>

namespace korvex {

struct WindowClass {
  const wchar_t* name;
  WNDPROC procedure;
  UINT style = 0;
  HBRUSH background = nullptr;
};

// True when the class is registered, now or already before (a second
// registration of the same name keeps the first).
inline bool RegisterWindowClass(const WindowClass& window_class) {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  cls.style = window_class.style;
  cls.lpfnWndProc = window_class.procedure;
  cls.hInstance = ::GetModuleHandleW(nullptr);
  cls.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  cls.hbrBackground = window_class.background;
  cls.lpszClassName = window_class.name;
  return ::RegisterClassExW(&cls) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace korvex
