// Byte-set and conversion commands of the core library. Values are read from
// and written to the argument records; every byte set or text returned is a
// new allocation owned by the caller, and an empty one is null.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "base/byte_reader.h"
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
  StoreUInt32(out, r.low);
  StoreUInt32(out + 4, r.high);
}

void SetValueField(ArgRecord* result, const uint8_t bytes[8]) {
  result->low = LoadUInt32(bytes);
  result->high = LoadUInt32(bytes + 4);
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

// The bytes a read of a byte set sees: from its 1-based position to the end
// (from the first byte when no position is given; none for a position outside
// the set). A position given in a variable (an array argument) is moved on
// past what the read takes.
struct ReadWindow {
  const uint8_t* from = nullptr;  // null when no bytes are there
  int64_t available = 0;
  int64_t length = 0;  // of the whole byte set
  int64_t position = 1;
  int32_t* position_variable = nullptr;
};

ReadWindow ReadWindowOf(int32_t count, const ArgRecord* args) {
  ReadWindow window;
  const void* source = PointerOf(args[0]);
  window.length = ByteSetLength(source);
  window.available = window.length;
  int64_t start = 0;
  if (count >= 3 && !IsOmitted(args[2])) {
    if (tag::IsArray(args[2].tag)) {
      window.position_variable = PointerOf<int32_t>(args[2]);
      window.position = window.position_variable != nullptr ? *window.position_variable : 0;
    } else {
      window.position = IntOf(args[2]);
    }
    if (window.position <= 0) {
      window.available = 0;
    } else {
      start = window.position - 1;
      window.available = start >= window.length ? 0 : window.length - start;
    }
  }
  if (window.available > 0) window.from = ByteSetData(source) + start;
  return window;
}

// Decodes a value of data type `code` (1 to 10) from the first bytes of the
// window into the result and returns the bytes it takes: a number's width
// (missing bytes read as zero), a text's bytes up to and with its terminator
// (all that is there when none is).
int64_t DecodeValue(int32_t code, const ReadWindow& window, ArgRecord* result) {
  result->tag = kCodeTags[code - 1];
  if (code == 10) {
    const void* zero = window.from != nullptr
                           ? std::memchr(window.from, 0, static_cast<size_t>(window.available))
                           : nullptr;
    const int64_t text_length =
        zero != nullptr ? static_cast<const uint8_t*>(zero) - window.from : window.available;
    SetPointer(*result, NewText(reinterpret_cast<const char*>(window.from),
                                static_cast<int32_t>(text_length)));
    return text_length + (zero != nullptr ? 1 : 0);
  }
  const int32_t width = kCodeWidths[code - 1];
  uint8_t bytes[8] = {};
  if (window.from != nullptr) {
    std::memcpy(bytes, window.from,
                static_cast<size_t>(window.available < width ? window.available : width));
  }
  if (code == 7) {
    SetBoolResult(result, LoadInt32(bytes) != 0);
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
  return width;
}

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
  const ReadWindow window = ReadWindowOf(count, args);
  const int64_t consumed = DecodeValue(code, window, result);
  if (window.position_variable != nullptr) {
    const int64_t next = window.position + consumed;
    *window.position_variable = next > window.length ? -1 : static_cast<int32_t>(next);
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
