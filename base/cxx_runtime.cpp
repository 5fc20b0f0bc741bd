#include "base/cxx_runtime.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
  void* block = HeapAlloc(GetProcessHeap(), 0, size != 0 ? size : 1);
  if (block == nullptr) korvex::HandleAllocationFailure(size);
  return block;
}

void* operator new[](std::size_t size) {
  return ::operator new(size);
}

void operator delete(void* block) noexcept {
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

void operator delete[](void* block) noexcept {
  ::operator delete(block);
}

void operator delete(void* block, std::size_t) noexcept {
  ::operator delete(block);
}

void operator delete[](void* block, std::size_t) noexcept {
  ::operator delete(block);
}

// What the library throws. A request beyond what any block can hold is an
// allocation failure; everything else is a fault in the program, which ends
// as an exception nobody catches would end it, without the report of one.
namespace std {

void __throw_bad_alloc() {
  korvex::HandleAllocationFailure(SIZE_MAX);
}
void __throw_bad_array_new_length() {
  korvex::HandleAllocationFailure(SIZE_MAX);
}
void __throw_length_error(const char*) {
  korvex::HandleAllocationFailure(SIZE_MAX);
}

void __throw_bad_exception() {
  std::abort();
}
void __throw_bad_cast() {
  std::abort();
}
void __throw_bad_typeid() {
  std::abort();
}
void __throw_logic_error(const char*) {
  std::abort();
}
void __throw_domain_error(const char*) {
  std::abort();
}
void __throw_invalid_argument(const char*) {
  std::abort();
}
void __throw_out_of_range(const char*) {
  std::abort();
}
void __throw_out_of_range_fmt(const char*, ...) {
  std::abort();
}
void __throw_runtime_error(const char*) {
  std::abort();
}
void __throw_range_error(const char*) {
  std::abort();
}
void __throw_overflow_error(const char*) {
  std::abort();
}
void __throw_underflow_error(const char*) {
  std::abort();
}

}  // namespace std

// The handler std::terminate calls by default. The library's own prints the
// exception's demangled type name, which brings the demangler.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  std::abort();
}
}  // namespace __gnu_cxx
