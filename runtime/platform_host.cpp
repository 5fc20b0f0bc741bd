// Host build: the C heap, stderr in place of message boxes, no windows.
#include "runtime/platform.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace korvex::platform {

void* HeapAllocate(size_t bytes) {
  return std::malloc(bytes == 0 ? 1 : bytes);
}
void* HeapReallocate(void* block, size_t bytes) {
  return std::realloc(block, bytes == 0 ? 1 : bytes);
}
void HeapRelease(void* block) {
  std::free(block);
}

void ShowMessageBox(const char* text, const char* title, uint32_t) {
  std::fprintf(stderr, "[%s] %s\n", title, text);
}

uint32_t CurrentThreadId() {
  return static_cast<uint32_t>(gettid());
}

bool SendEndRequest(void*, uint32_t, uint32_t) {
  return false;
}

void TerminateProcessNow(uint32_t exit_code) {
  std::exit(static_cast<int>(exit_code));
}

void WaitForProcessEnd() {
  for (;;) pause();
}

}  // namespace korvex::platform
