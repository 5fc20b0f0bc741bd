// Windows: the process heap, the message box, the hidden owner window.
#include <windows.h>

#include "runtime/platform.h"

namespace korvex::platform {
namespace {

// The runtime's texts are code page 936 bytes whatever the system code page
// is; the box shows them through the wide functions, as the windows do.
constexpr UINT kTextCodePage = 936;

// The box shows the error report, whose texts are built into bounded buffers
// of at most this many bytes, so the conversion needs no allocation: a report
// of a failed allocation must not allocate again to show itself.
constexpr int kBoxTextCapacity = 4096;

void WideText(const char* text, wchar_t (&wide)[kBoxTextCapacity]) {
  if (MultiByteToWideChar(kTextCodePage, 0, text, -1, wide, kBoxTextCapacity) == 0) {
    wide[0] = L'\0';
  }
}

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
  WideText(text, wide_text);
  WideText(title, wide_title);
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
