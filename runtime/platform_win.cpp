// Windows: the process heap, the message box, the hidden owner window.
#include <windows.h>

#include <string>

#include "runtime/platform.h"

namespace korvex::platform {
namespace {

// The runtime's texts are code page 936 bytes whatever the system code page
// is; the box shows them through the wide functions, as the windows do.
constexpr UINT kTextCodePage = 936;

std::wstring WideText(const char* text) {
  const int length = MultiByteToWideChar(kTextCodePage, 0, text, -1, nullptr, 0);
  if (length <= 1) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(kTextCodePage, 0, text, -1, wide.data(), length);
  wide.resize(static_cast<size_t>(length - 1));
  return wide;
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
  MessageBoxW(nullptr, WideText(text).c_str(), WideText(title).c_str(), style);
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
