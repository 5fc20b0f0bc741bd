// The one bounded reader of binary data, and the loads and stores of
// fixed-width integers in raw bytes (the writer is base/byte_writer.h).
// Platform-independent.
//
// Every field is assembled byte by byte in the order its format states, never
// by laying a structure over the bytes, so the result does not depend on the
// machine's byte order or alignment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace korvex {

// --- Loads and stores (the caller has checked that the bytes exist) -----------

inline uint16_t LoadUInt16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t LoadUInt32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
inline int32_t LoadInt32(const uint8_t* p) {
  return static_cast<int32_t>(LoadUInt32(p));
}
inline uint16_t LoadUInt16BigEndian(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
inline uint32_t LoadUInt32BigEndian(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

inline void StoreUInt16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreUInt32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
inline void StoreInt32(uint8_t* p, int32_t v) {
  StoreUInt32(p, static_cast<uint32_t>(v));
}
inline void StoreUInt16BigEndian(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
inline void StoreUInt32BigEndian(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

// --- Bounded reader -----------------------------------------------------------
// A cursor over one span of bytes with a sticky failure: a read that does not
// fit in the bytes left fails the reader, and from then on every read fails
// too and yields zero or empty. After a failure pos() names the field that
// failed (the bytes that did not fit, or the length or count that was
// invalid) and remaining() the bytes that were left from there. Bounds are tested as `n > size -
// pos`, which cannot overflow; the cursor never leaves its span.
//
// Counted texts and blocks carry a little-endian int32 length in front.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  explicit ByteReader(std::span<const uint8_t> bytes) : ByteReader(bytes.data(), bytes.size()) {}

  bool ok() const { return ok_; }
  size_t pos() const { return pos_; }
  size_t size() const { return size_; }
  size_t remaining() const { return size_ - pos_; }
  // Fails the reader for a reason of the caller's (a wrong tag, a bad value).
  void Fail() { ok_ = false; }

  uint8_t ReadByte();
  uint16_t ReadUInt16();
  uint32_t ReadUInt32();
  int32_t ReadInt32() { return static_cast<int32_t>(ReadUInt32()); }
  uint16_t ReadUInt16BigEndian();
  uint32_t ReadUInt32BigEndian();
  int32_t ReadInt32BigEndian() { return static_cast<int32_t>(ReadUInt32BigEndian()); }

  bool Skip(size_t n);
  // Moves to an absolute position inside the span (the end included).
  bool Seek(size_t pos);
  // The n bytes at the cursor; empty on failure.
  std::span<const uint8_t> ReadBytes(size_t n);
  // A zero-terminated text: the bytes before the terminator, which is consumed.
  std::string_view ReadZeroText();
  // A counted text; a length of zero or less is the empty text.
  std::string_view ReadCountedText();
  // A counted block; a negative length fails the reader.
  std::span<const uint8_t> ReadCountedBlock();
  // A count of items of item_size bytes each that must fit in the bytes left
  // after it; a negative count or one beyond the data fails and yields 0.
  int32_t ReadCount(size_t item_size);

 private:
  void FailAt(size_t pos);

  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace korvex
