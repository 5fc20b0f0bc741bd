// The few platform services the portable runtime needs, one implementation per
// platform (platform_win.cpp on Windows, platform_host.cpp on the build host).
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvex::platform {

// The runtime heap. Null on failure; never reports.
void* HeapAllocate(size_t bytes);
void* HeapReallocate(void* block, size_t bytes);
void HeapRelease(void* block);

// A system message box without owner window showing code page 936 texts
// (host: written to stderr).
void ShowMessageBox(const char* text, const char* title, uint32_t style);

uint32_t CurrentThreadId();

// Sends `message` with wParam = exit code to the window; false when there is
// no such window (or no windows on this platform).
bool SendEndRequest(void* window, uint32_t message, uint32_t exit_code);

// Ends the process at once with the exit code.
[[noreturn]] void TerminateProcessNow(uint32_t exit_code);
// Blocks the calling thread until another thread ends the process.
[[noreturn]] void WaitForProcessEnd();

}  // namespace korvex::platform
