// The runtime allocator and the value helpers.
#include "runtime/values.h"

#include <atomic>
#include <cstring>

#include "base/byte_reader.h"
#include "base/cxx_runtime.h"
#include "base/text_format.h"
#include "runtime/arg_record.h"
#include "runtime/errors.h"
#include "runtime/platform.h"
#include "runtime/texts.h"

namespace korvex {
namespace {

std::atomic<int32_t> g_live_blocks{0};
const uint8_t* g_constant_start = nullptr;
const uint8_t* g_constant_end = nullptr;
int32_t g_allocation_limit = 0;  // 0: no limit (tests only)

bool RefusedByLimit(int32_t bytes) {
  return bytes < 0 || (g_allocation_limit > 0 && bytes > g_allocation_limit);
}

}  // namespace

// --- Allocator ----------------------------------------------------------------

void ReportAllocationFailure(int64_t bytes) {
  // Built on the stack: the heap has just failed.
  char message[100];
  FormatText(message, sizeof message, kAllocationFailedFormat, {DecimalText(bytes).view()});
  ReportError(message, 0, 0, 0);
}

// The program's operator new (base/cxx_runtime.cpp) reports its failures as
// the allocator does.
void HandleAllocationFailure(size_t bytes) {
  const uint64_t count = bytes;
  ReportAllocationFailure(count > INT64_MAX ? INT64_MAX : static_cast<int64_t>(count));
}

void* TryAllocate(int32_t bytes) {
  if (RefusedByLimit(bytes)) return nullptr;
  void* block = platform::HeapAllocate(static_cast<size_t>(bytes));
  if (block != nullptr) g_live_blocks.fetch_add(1, std::memory_order_relaxed);
  return block;
}

void* Allocate(int32_t bytes) {
  void* block = TryAllocate(bytes);
  if (block == nullptr) ReportAllocationFailure(bytes);
  return block;
}

void* Reallocate(void* block, int32_t bytes) {
  if (block == nullptr) return Allocate(bytes);
  if (IsInConstantSegment(block)) {
    void* copy = Allocate(bytes);
    const auto* from = static_cast<const uint8_t*>(block);
    size_t available = static_cast<size_t>(g_constant_end - from);
    size_t n = static_cast<size_t>(bytes) < available ? static_cast<size_t>(bytes) : available;
    std::memcpy(copy, from, n);
    return copy;
  }
  if (RefusedByLimit(bytes)) ReportAllocationFailure(bytes);
  void* moved = platform::HeapReallocate(block, static_cast<size_t>(bytes));
  if (moved == nullptr) ReportAllocationFailure(bytes);
  return moved;
}

void Free(void* block) {
  if (block == nullptr || IsInConstantSegment(block)) return;
  platform::HeapRelease(block);
  g_live_blocks.fetch_sub(1, std::memory_order_relaxed);
}

void SetConstantSegment(const void* start, size_t size) {
  g_constant_start = static_cast<const uint8_t*>(start);
  g_constant_end = size == 0 || start == nullptr ? g_constant_start : g_constant_start + size;
}

void ClearConstantSegment() {
  g_constant_start = g_constant_end = nullptr;
}

bool IsInConstantSegment(const void* p) {
  // Compared as integers: the pointer may belong to any object.
  auto v = reinterpret_cast<uintptr_t>(p);
  return v >= reinterpret_cast<uintptr_t>(g_constant_start) &&
         v < reinterpret_cast<uintptr_t>(g_constant_end);
}

int32_t LiveAllocationCount() {
  return g_live_blocks.load(std::memory_order_relaxed);
}

void SetAllocationLimitForTesting(int32_t max_bytes) {
  g_allocation_limit = max_bytes;
}

// --- Value helpers ------------------------------------------------------------

int32_t TextLength(const char* text) {
  // strlen reads aligned words itself and stays inside the string.
  return text == nullptr ? 0 : static_cast<int32_t>(std::strlen(text));
}

char* ConcatTexts(int32_t count, const char* const* parts) {
  int64_t total = 0;
  for (int32_t i = 0; i < count; ++i) total += TextLength(parts[i]);
  if (total > INT32_MAX - 1) ReportAllocationFailure(total + 1);
  auto* result = static_cast<char*>(Allocate(static_cast<int32_t>(total) + 1));
  char* out = result;
  for (int32_t i = 0; i < count; ++i) {
    size_t n = static_cast<size_t>(TextLength(parts[i]));
    if (n != 0) std::memcpy(out, parts[i], n);
    out += n;
  }
  *out = '\0';
  return result;
}

int32_t CompareTexts(const char* a, const char* b) {
  if (a == nullptr) return (b == nullptr || *b == '\0') ? 0 : -1;
  if (b == nullptr) return *a == '\0' ? 0 : 1;
  // strcmp compares as unsigned char; only the sign is kept.
  int r = std::strcmp(a, b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int32_t ElementCount(const void* array, void** first) {
  const auto* p = static_cast<const uint8_t*>(array);
  int32_t dims = LoadInt32(p);
  int64_t count = dims > 0 ? 1 : 0;
  for (int32_t i = 0; i < dims; ++i) {
    int32_t size = LoadInt32(p + 4 + 4 * static_cast<size_t>(i));
    if (size <= 0) {
      count = 0;
      continue;
    }
    if (count != 0) count = count * size > INT32_MAX ? INT32_MAX : count * size;
  }
  if (first != nullptr) {
    size_t header = 4 + 4 * static_cast<size_t>(dims > 0 ? dims : 0);
    *first = const_cast<uint8_t*>(p + header);
  }
  return static_cast<int32_t>(count);
}

int32_t ElementCountOrZero(const void* array) {
  return array == nullptr ? 0 : ElementCount(array);
}

char* NewText(const char* bytes, int32_t length) {
  if (length <= 0) return nullptr;
  if (length > INT32_MAX - 1) ReportAllocationFailure(int64_t{length} + 1);
  auto* text = static_cast<char*>(Allocate(length + 1));
  std::memcpy(text, bytes, static_cast<size_t>(length));
  text[length] = '\0';
  return text;
}

uint8_t* AllocateByteSet(int32_t length) {
  if (length <= 0) return nullptr;
  if (length > INT32_MAX - 8) ReportAllocationFailure(int64_t{length} + 8);
  auto* block = static_cast<uint8_t*>(Allocate(length + 8));
  StoreInt32(block, 1);
  StoreInt32(block + 4, length);
  return block;
}

void* NewByteSet(const void* bytes, int32_t length) {
  uint8_t* block = AllocateByteSet(length);
  if (block != nullptr) std::memcpy(block + 8, bytes, static_cast<size_t>(length));
  return block;
}

int32_t ByteSetLength(const void* byte_set) {
  if (byte_set == nullptr) return 0;
  int32_t n = LoadInt32(static_cast<const uint8_t*>(byte_set) + 4);
  return n < 0 ? 0 : n;
}

uint8_t* ByteSetData(const void* byte_set) {
  if (byte_set == nullptr) return nullptr;
  return const_cast<uint8_t*>(static_cast<const uint8_t*>(byte_set) + 8);
}

void FreeArrayValue(uint32_t type_tag, void* array) {
  if (array == nullptr) return;
  uint32_t element = tag::WithoutArrayFlag(type_tag);
  if ((element == tag::kText || element == tag::kByteSet) && !IsInConstantSegment(array)) {
    void* first = nullptr;
    int32_t count = ElementCount(array, &first);
    auto* slot = static_cast<uint8_t*>(first);
    for (int32_t i = 0; i < count; ++i) {
      void* item;
      std::memcpy(&item, slot + static_cast<size_t>(i) * sizeof(void*), sizeof item);
      Free(item);
    }
  }
  Free(array);
}

void MakeArrayPrivate(int32_t element_width, void** array) {
  if (array == nullptr || *array == nullptr || !IsInConstantSegment(*array)) return;
  const auto* source = static_cast<const uint8_t*>(*array);
  int32_t dims = LoadInt32(source);
  int64_t bytes = 4 + 4 * static_cast<int64_t>(dims > 0 ? dims : 0) +
                  static_cast<int64_t>(element_width) * ElementCount(source);
  if (bytes > INT32_MAX) ReportAllocationFailure(bytes);
  // Reallocate copies out of the constant segment and leaves the constant alone.
  *array = Reallocate(*array, static_cast<int32_t>(bytes));
}

}  // namespace korvex
