// Byte-set and conversion commands of the core library. Values are read from
// and written to the argument records; every byte set or text returned is a
// new allocation owned by the caller, and an empty one is null.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "commands/commands.h"
#include "commands/texts.h"
#include "runtime/arg_record.h"
#include "runtime/errors.h"
#include "runtime/values.h"

namespace korvex {
namespace {

// Oldest and latest day that a date-time may hold: 1 January 100 and
// 31 December 9999.
constexpr double kEarliestDate = -657434.0;
constexpr double kLatestDate = 2958465.0;

// Bytes of a fixed-size value of a system type, 0 for the others.
int32_t FixedValueWidth(uint32_t t) {
  switch (t) {
    case tag::kByte:
      return 1;
    case tag::kShort:
      return 2;
    case tag::kInt:
    case tag::kFloat:
    case tag::kBool:
    case tag::kSubroutine:
      return 4;
    case tag::kLong:
    case tag::kDouble:
    case tag::kDateTime:
    case tag::kStatementArg:
      return 8;
    default:
      return 0;
  }
}

// The value field of a record, low byte first.
void ValueFieldBytes(const ArgRecord& r, uint8_t out[8]) {
  for (int i = 0; i < 4; ++i) {
    out[i] = static_cast<uint8_t>(r.low >> (8 * i));
    out[4 + i] = static_cast<uint8_t>(r.high >> (8 * i));
  }
}

void SetValueField(ArgRecord* result, const uint8_t bytes[8]) {
  uint32_t low = 0;
  uint32_t high = 0;
  for (int i = 3; i >= 0; --i) {
    low = (low << 8) | bytes[i];
    high = (high << 8) | bytes[4 + i];
  }
  result->low = low;
  result->high = high;
}

void SetByteSetResult(ArgRecord* result, void* byte_set) {
  SetPointer(*result, byte_set);
}

// The bytes of a numeric array as they lie in memory: every element, in order.
void* NumericArrayBytes(uint32_t element_tag, const void* array) {
  if (array == nullptr) return nullptr;
  void* first = nullptr;
  const int64_t count = ElementCount(array, &first);
  const int64_t bytes = count * FixedValueWidth(element_tag);
  if (count <= 0) return nullptr;
  // More than a byte set can hold fails like any allocation the heap refuses.
  if (bytes > INT32_MAX - 8) ReportAllocationFailure(bytes + 8);
  return NewByteSet(first, static_cast<int32_t>(bytes));
}

// Byte count that a data type code reads (codes 1 to 9).
constexpr int32_t kCodeWidths[10] = {1, 2, 4, 8, 4, 8, 4, 8, 4, 0};
constexpr uint32_t kCodeTags[10] = {tag::kByte,       tag::kShort,  tag::kInt,  tag::kLong,
                                    tag::kFloat,      tag::kDouble, tag::kBool, tag::kDateTime,
                                    tag::kSubroutine, tag::kText};

}  // namespace

void ToByteSetCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  if (count < 1) return;
  const ArgRecord& v = args[0];
  const uint32_t base = tag::WithoutArrayFlag(v.tag);
  if (tag::IsArray(v.tag)) {
    // Arrays of numbers give their elements; arrays of anything else nothing.
    if (tag::IsNumeric(base)) SetByteSetResult(result, NumericArrayBytes(base, PointerOf(v)));
    return;
  }
  if (base < 0x80000000u || base > 0xBFFFFFFFu) return;  // not a system type
  if (base == tag::kText) {
    const char* text = PointerOf<const char>(v);
    SetByteSetResult(result, NewByteSet(text, TextLength(text)));
    return;
  }
  if (base == tag::kByteSet) {
    const void* source = PointerOf(v);
    SetByteSetResult(result, NewByteSet(ByteSetData(source), ByteSetLength(source)));
    return;
  }
  const int32_t width = FixedValueWidth(base);
  if (width == 0) return;
  uint8_t bytes[8];
  ValueFieldBytes(v, bytes);
  SetByteSetResult(result, NewByteSet(bytes, width));
}

void GetByteSetDataCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  if (count < 2) return;
  const int32_t code = IntOf(args[1]);
  if (code < 1 || code > 10) ReportError(kInvalidDataTypeMessage, 0, 0, 0);

  const void* source = PointerOf(args[0]);
  const int64_t length = ByteSetLength(source);
  const uint8_t* data = ByteSetData(source);

  // Where reading starts and how many bytes are there from that point.
  int32_t* position_variable = nullptr;
  bool has_position = false;
  int64_t position = 1;
  if (count >= 3 && !IsOmitted(args[2])) {
    has_position = true;
    if (tag::IsArray(args[2].tag)) {
      position_variable = PointerOf<int32_t>(args[2]);
      position = position_variable != nullptr ? *position_variable : 0;
    } else {
      position = IntOf(args[2]);
    }
  }
  int64_t start = 0;
  int64_t available = length;
  if (has_position) {
    if (position <= 0) {
      available = 0;
    } else {
      start = position - 1;
      available = start >= length ? 0 : length - start;
    }
  }
  const uint8_t* from = available > 0 ? data + start : nullptr;

  result->tag = kCodeTags[code - 1];
  int64_t consumed = 0;
  if (code == 10) {
    const void* zero =
        available > 0 ? std::memchr(from, 0, static_cast<size_t>(available)) : nullptr;
    const int64_t text_length =
        zero != nullptr ? static_cast<const uint8_t*>(zero) - from : available;
    SetPointer(*result,
               NewText(reinterpret_cast<const char*>(from), static_cast<int32_t>(text_length)));
    consumed = text_length + (zero != nullptr ? 1 : 0);
  } else {
    // Missing bytes read as zero.
    const int32_t width = kCodeWidths[code - 1];
    uint8_t bytes[8] = {};
    if (available > 0) {
      std::memcpy(bytes, from, static_cast<size_t>(available < width ? available : width));
    }
    consumed = width;
    if (code == 7) {
      int32_t flag;
      std::memcpy(&flag, bytes, sizeof flag);
      SetBoolResult(result, flag != 0);
      result->high = 0;
    } else if (code == 8) {
      double day;
      std::memcpy(&day, bytes, sizeof day);
      if (std::isnan(day) || day > kLatestDate) day = kLatestDate;
      if (day < kEarliestDate) day = kEarliestDate;
      std::memcpy(bytes, &day, sizeof day);
      SetValueField(result, bytes);
    } else {
      SetValueField(result, bytes);
    }
  }

  if (position_variable != nullptr) {
    const int64_t next = position + consumed;
    *position_variable = next > length ? -1 : static_cast<int32_t>(next);
  }
}

void BlankByteSetCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  if (count < 1) return;
  const int32_t length = IntOf(args[0]);
  if (length <= 0) return;
  uint8_t* block = AllocateByteSet(length);
  std::memset(block + 8, 0, static_cast<size_t>(length));
  SetByteSetResult(result, block);
}

void PointerToByteSetCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  if (count < 2) return;
  const int32_t length = IntOf(args[1]);
  if (length <= 0) return;
  SetByteSetResult(result, NewByteSet(PointerOf(args[0]), length));
}

void ByteSetLengthCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  if (count < 1) return;
  SetIntResult(result, ByteSetLength(PointerOf(args[0])));
}

void BitOrCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  uint32_t bits = 0;
  for (int32_t i = 0; i < count; ++i) bits |= args[i].low;
  result->low = bits;
}

}  // namespace korvex
