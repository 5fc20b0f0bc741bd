// Windows: the process heap, the message box, the hidden owner window.
#include <windows.h>

#include "base/text_conversion.h"
#include "runtime/platform.h"

namespace korvex::platform {
namespace {

// The box shows the error report, whose texts are built into bounded buffers
// of at most this many bytes, so the conversion needs no allocation: a report
// of a failed allocation must not allocate again to show itself.
constexpr size_t kBoxTextCapacity = 4096;

}  // namespace

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
  wchar_t wide_text[kBoxTextCapacity];
  wchar_t wide_title[kBoxTextCapacity];
  WideFromText(text, wide_text);
  WideFromText(title, wide_title);
  MessageBoxW(nullptr, wide_text, wide_title, style);
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
