// Texts, byte sets and arrays, the runtime allocator, and the value helpers
// that the program's routines and the commands share. Platform-independent.
//
//   Text    : NUL-terminated code-page bytes in one allocation; null = "".
//   ByteSet : int32 1, int32 length, then the bytes; null = empty.
//   Array   : int32 d, d int32 sizes, then the elements; {1, 0} is empty.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvex {

// Width of a pointer element (text, byte set) inside an Array.
inline constexpr int32_t kPointerElementWidth = static_cast<int32_t>(sizeof(void*));

// --- Allocator ----------------------------------------------------------------
// Never returns null: a failed allocation reports "分配 %d 字节内存失败!" and
// ends the program with 0xFFFFFFFF.
void* Allocate(int32_t bytes);
// null: allocate. Inside the constant segment: a new block holding the bytes
// copied from there (up to the segment end); the constant is left alone.
void* Reallocate(void* block, int32_t bytes);
// null and constants are ignored.
void Free(void* block);
// Plain allocation that returns null on failure (library service 2024 with p2 != 0).
void* TryAllocate(int32_t bytes);
// The failure of Allocate for a count that no block can hold (header and
// length already added), reported with that count.
[[noreturn]] void ReportAllocationFailure(int64_t bytes);

// The read-only range of the program's constants. Values pointing into it are
// never freed nor resized in place.
void SetConstantSegment(const void* start, size_t size);
void ClearConstantSegment();
bool IsInConstantSegment(const void* p);

// Live blocks handed out and not yet freed (for leak checks in tests).
int32_t LiveAllocationCount();

// Test seam: requests above max_bytes fail as if the heap were exhausted
// (0 lifts the limit).
void SetAllocationLimitForTesting(int32_t max_bytes);

// --- Value helpers ------------------------------------------------------------
int32_t TextLength(const char* text);  // null -> 0
// N texts joined into one new text; null parts count as empty. Always a new block.
char* ConcatTexts(int32_t count, const char* const* parts);
template <typename... T>
char* Concat(const T*... parts) {
  const char* list[] = {parts...};
  return ConcatTexts(static_cast<int32_t>(sizeof...(parts)), list);
}
// -1, 0 or 1; a null text equals the empty text; unsigned byte order.
int32_t CompareTexts(const char* a, const char* b);
// Product of the dimension sizes (0 when d is 0); *first receives the address
// of the first element when not null.
int32_t ElementCount(const void* array, void** first = nullptr);
int32_t ElementCountOrZero(const void* array);  // null -> 0

// A new text holding `length` bytes of `bytes` and a NUL; null when length is 0.
char* NewText(const char* bytes, int32_t length);
// A new byte set of `length` bytes: the header written, the bytes left to the
// caller; null when length is 0 or less. A length whose block (8 header bytes
// more) no int32 size can hold is an allocation failure of that full size.
uint8_t* AllocateByteSet(int32_t length);
// A new byte set holding a copy of the bytes; null when length is 0.
void* NewByteSet(const void* bytes, int32_t length);
int32_t ByteSetLength(const void* byte_set);  // null -> 0
uint8_t* ByteSetData(const void* byte_set);   // null -> null
// Frees an array value; when the element type (tag without its array flag) is
// text or byte set, every element is freed first (library service 2023).
void FreeArrayValue(uint32_t type_tag, void* array);
// A private copy of an array that may lie in the constant segment (service 2):
// replaces *array with a heap copy of 4 + 4d + width * count bytes.
void MakeArrayPrivate(int32_t element_width, void** array);

}  // namespace korvex
