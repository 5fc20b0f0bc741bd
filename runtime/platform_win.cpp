// Windows: the process heap, MessageBoxA, the hidden owner window.
#include <windows.h>

#include "runtime/platform.h"

namespace korvex::platform {

void* HeapAllocate(size_t bytes) {
  return HeapAlloc(GetProcessHeap(), 0, bytes);
}
void* HeapReallocate(void* block, size_t bytes) {
  return HeapReAlloc(GetProcessHeap(), 0, block, bytes);
}
void HeapRelease(void* block) {
  HeapFree(GetProcessHeap(), 0, block);
}

void ShowMessageBox(const char* text, const char* title, uint32_t style) {
  MessageBoxA(nullptr, text, title, style);
}

uint32_t CurrentThreadId() {
  return GetCurrentThreadId();
}

bool SendEndRequest(void* window, uint32_t message, uint32_t exit_code) {
  HWND hwnd = static_cast<HWND>(window);
  if (hwnd == nullptr || !IsWindow(hwnd)) return false;
  SendMessageA(hwnd, message, static_cast<WPARAM>(exit_code), 0);
  return true;
}

void TerminateProcessNow(uint32_t exit_code) {
  ExitProcess(exit_code);
}

void WaitForProcessEnd() {
  for (;;) Sleep(INFINITE);
}

}  // namespace korvex::platform
