#include "base/cxx_runtime.h"

#include <windows.h>

#include <cstdint>
#include <new>

namespace {

// What HeapAlloc's blocks are aligned to (8 bytes in 32-bit processes, 16 in
// 64-bit ones).
constexpr std::size_t kHeapAlignment = MEMORY_ALLOCATION_ALIGNMENT;

void* HeapBlock(std::size_t size) {
  return HeapAlloc(GetProcessHeap(), 0, size != 0 ? size : 1);
}

void ReleaseHeapBlock(void* block) {
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

// An aligned block; null when the heap cannot give it. Beyond the heap's own
// alignment a larger block is taken and its start kept in the pointer-sized
// slot just before the aligned address.
void* AlignedHeapBlock(std::size_t size, std::align_val_t align) {
  const auto alignment = static_cast<std::size_t>(align);
  if (alignment <= kHeapAlignment) return HeapBlock(size);
  if ((alignment & (alignment - 1)) != 0) return nullptr;  // not a power of two
  const std::size_t extra = alignment - 1 + sizeof(void*);
  if (size > SIZE_MAX - extra) return nullptr;
  void* start = HeapBlock(size + extra);
  if (start == nullptr) return nullptr;
  const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(start) + sizeof(void*);
  void* aligned = reinterpret_cast<void*>((first + alignment - 1) & ~(alignment - 1));
  static_cast<void**>(aligned)[-1] = start;
  return aligned;
}

void ReleaseAlignedHeapBlock(void* block, std::align_val_t align) {
  if (block == nullptr) return;
  if (static_cast<std::size_t>(align) <= kHeapAlignment) {
    ReleaseHeapBlock(block);
  } else {
    ReleaseHeapBlock(static_cast<void**>(block)[-1]);
  }
}

}  // namespace

// The throwing forms report a failure as the runtime's allocator does; the
// nothrow forms return null. No new-handler is consulted.
void* operator new(std::size_t size) {
  void* block = HeapBlock(size);
  if (block == nullptr) korvex::HandleAllocationFailure(size);
  return block;
}
void* operator new[](std::size_t size) {
  return ::operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return HeapBlock(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return HeapBlock(size);
}

void* operator new(std::size_t size, std::align_val_t align) {
  void* block = AlignedHeapBlock(size, align);
  if (block == nullptr) korvex::HandleAllocationFailure(size);
  return block;
}
void* operator new[](std::size_t size, std::align_val_t align) {
  return ::operator new(size, align);
}
void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return AlignedHeapBlock(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return AlignedHeapBlock(size, align);
}

void operator delete(void* block) noexcept {
  ReleaseHeapBlock(block);
}
void operator delete[](void* block) noexcept {
  ReleaseHeapBlock(block);
}
void operator delete(void* block, std::size_t) noexcept {
  ReleaseHeapBlock(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  ReleaseHeapBlock(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
  ReleaseHeapBlock(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  ReleaseHeapBlock(block);
}

void operator delete(void* block, std::align_val_t align) noexcept {
  ReleaseAlignedHeapBlock(block, align);
}
void operator delete[](void* block, std::align_val_t align) noexcept {
  ReleaseAlignedHeapBlock(block, align);
}
void operator delete(void* block, std::size_t, std::align_val_t align) noexcept {
  ReleaseAlignedHeapBlock(block, align);
}
void operator delete[](void* block, std::size_t, std::align_val_t align) noexcept {
  ReleaseAlignedHeapBlock(block, align);
}
void operator delete(void* block, std::align_val_t align, const std::nothrow_t&) noexcept {
  ReleaseAlignedHeapBlock(block, align);
}
void operator delete[](void* block, std::align_val_t align, const std::nothrow_t&) noexcept {
  ReleaseAlignedHeapBlock(block, align);
}

// What the library throws. A request beyond what any block can hold is an
// allocation failure; everything else is a fault in the program, which the
// program ends as it chooses (HandleLibraryError) instead of aborting: an
// abort in a GUI process can show a box of its own and stall an unattended run.
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
  korvex::HandleLibraryError("std::bad_exception");
}
void __throw_bad_cast() {
  korvex::HandleLibraryError("std::bad_cast");
}
void __throw_bad_typeid() {
  korvex::HandleLibraryError("std::bad_typeid");
}
void __throw_logic_error(const char* what) {
  korvex::HandleLibraryError(what);
}
void __throw_domain_error(const char* what) {
  korvex::HandleLibraryError(what);
}
void __throw_invalid_argument(const char* what) {
  korvex::HandleLibraryError(what);
}
void __throw_out_of_range(const char* what) {
  korvex::HandleLibraryError(what);
}
// The format's values are left out: formatting them would bring the printf
// engine back.
void __throw_out_of_range_fmt(const char* format, ...) {
  korvex::HandleLibraryError(format);
}
void __throw_runtime_error(const char* what) {
  korvex::HandleLibraryError(what);
}
void __throw_range_error(const char* what) {
  korvex::HandleLibraryError(what);
}
void __throw_overflow_error(const char* what) {
  korvex::HandleLibraryError(what);
}
void __throw_underflow_error(const char* what) {
  korvex::HandleLibraryError(what);
}

}  // namespace std

// The handler std::terminate calls by default. The library's own prints the
// exception's demangled type name, which brings the demangler, and aborts.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  korvex::HandleLibraryError("std::terminate");
}
}  // namespace __gnu_cxx
