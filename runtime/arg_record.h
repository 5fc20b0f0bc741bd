// The argument and result record of every command call, its type tags, and the
// shape of a command. Platform-independent: on the 32-bit target a pointer sits
// in the low word; on a 64-bit host build it spans both words.
#pragma once

#include <cstdint>
#include <cstring>

namespace korvex {

struct ArgRecord {
  uint32_t low;
  uint32_t high;
  uint32_t tag;
};
static_assert(sizeof(ArgRecord) == 12, "ArgRecord is 12 bytes without padding");

namespace tag {
inline constexpr uint32_t kNone = 0;
inline constexpr uint32_t kByte = 0x80000101;
inline constexpr uint32_t kShort = 0x80000201;
inline constexpr uint32_t kInt = 0x80000301;
inline constexpr uint32_t kLong = 0x80000401;
inline constexpr uint32_t kFloat = 0x80000501;
inline constexpr uint32_t kDouble = 0x80000601;
inline constexpr uint32_t kBool = 0x80000002;
inline constexpr uint32_t kDateTime = 0x80000003;
inline constexpr uint32_t kText = 0x80000004;
inline constexpr uint32_t kByteSet = 0x80000005;
inline constexpr uint32_t kSubroutine = 0x80000006;
inline constexpr uint32_t kStatementArg = 0x80000008;
inline constexpr uint32_t kArrayFlag = 0x20000000;
inline constexpr uint32_t kCoreWindowType = 0x00010001;

enum class Category { kNone, kBasic, kProgramDefined, kLibraryDefined };

constexpr Category CategoryOf(uint32_t t) {
  if (t == 0) return Category::kNone;
  switch (t >> 30) {
    case 2:
      return Category::kBasic;
    case 1:
      return Category::kProgramDefined;
    default:
      return Category::kLibraryDefined;
  }
}
constexpr bool IsArray(uint32_t t) {
  return (t & kArrayFlag) != 0;
}
constexpr uint32_t WithoutArrayFlag(uint32_t t) {
  return t & ~kArrayFlag;
}
// Library-defined tags: high 16 bits the library number (table index + 1),
// low 16 bits the type number within that library (1-based).
constexpr uint32_t LibraryNumberOf(uint32_t t) {
  return t >> 16;
}
constexpr uint32_t TypeNumberOf(uint32_t t) {
  return t & 0xFFFF;
}
// The six numeric types: byte, short, int, long, float, double.
constexpr bool IsNumeric(uint32_t t) {
  return t == kByte || t == kShort || t == kInt || t == kLong || t == kFloat || t == kDouble;
}
}  // namespace tag

// Every command: (result, argument count, first argument). Caller cleans up.
using CommandEntry = void (*)(ArgRecord* result, int32_t count, ArgRecord* args);

// --- Building and reading records -------------------------------------------

inline ArgRecord MakeInt(int32_t v) {
  return {static_cast<uint32_t>(v), 0, tag::kInt};
}
inline ArgRecord MakeBool(bool v) {
  return {v ? 1u : 0u, 0, tag::kBool};
}
inline ArgRecord MakeOmitted() {
  return {0, 0, tag::kNone};
}
inline ArgRecord MakeUnitRef(uint32_t window, uint32_t unit, uint32_t unit_type) {
  return {window, unit, unit_type};
}

inline void SetPointer(ArgRecord& r, const void* p) {
  uint64_t v = reinterpret_cast<uintptr_t>(p);
  r.low = static_cast<uint32_t>(v);
  r.high = static_cast<uint32_t>(v >> 32);
}
inline ArgRecord MakePointer(const void* p, uint32_t t) {
  ArgRecord r{0, 0, t};
  SetPointer(r, p);
  return r;
}

template <typename T = void>
T* PointerOf(const ArgRecord& r) {
  uint64_t v = r.low;
  if constexpr (sizeof(void*) == 8) v |= static_cast<uint64_t>(r.high) << 32;
  return reinterpret_cast<T*>(static_cast<uintptr_t>(v));
}

inline int32_t IntOf(const ArgRecord& r) {
  return static_cast<int32_t>(r.low);
}
inline int64_t LongOf(const ArgRecord& r) {
  return static_cast<int64_t>((static_cast<uint64_t>(r.high) << 32) | r.low);
}
inline double DoubleOf(const ArgRecord& r) {
  uint64_t bits = (static_cast<uint64_t>(r.high) << 32) | r.low;
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}
inline bool IsOmitted(const ArgRecord& r) {
  return r.tag == tag::kNone;
}

// Result writers used by commands.
inline void SetBoolResult(ArgRecord* result, bool v) {
  result->low = v ? 1u : 0u;
}
inline void SetIntResult(ArgRecord* result, int32_t v) {
  result->low = static_cast<uint32_t>(v);
}

}  // namespace korvex
