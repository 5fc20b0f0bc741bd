// The one appending writer of binary data, the counterpart of ByteReader
// (base/byte_reader.h): fixed-width integers in either byte order, raw bytes,
// and the texts and blocks in the encodings the reader reads. Platform-
// independent: every field is stored byte by byte in the order it names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace korvex {

class ByteWriter {
 public:
  void Byte(uint8_t v) { bytes_.push_back(v); }
  void UInt16(uint16_t v);
  void UInt32(uint32_t v);
  void Int32(int32_t v) { UInt32(static_cast<uint32_t>(v)); }
  void UInt16BigEndian(uint16_t v);
  void UInt32BigEndian(uint32_t v);
  void Int32BigEndian(int32_t v) { UInt32BigEndian(static_cast<uint32_t>(v)); }

  void Bytes(std::span<const uint8_t> b) { bytes_.insert(bytes_.end(), b.begin(), b.end()); }
  void Zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }
  // The text's bytes and a 0 byte.
  void ZeroText(std::string_view s);
  // A little-endian int32 length, then the bytes.
  void CountedText(std::string_view s);
  void CountedBlock(std::span<const uint8_t> b);
  // Each UTF-16 code unit as two bytes, low byte first; no length, no terminator.
  void Utf16(std::u16string_view s);

  size_t size() const { return bytes_.size(); }
  std::vector<uint8_t>& bytes() { return bytes_; }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  // Appends n bytes to be stored into and returns the first of them.
  uint8_t* Grow(size_t n);

  std::vector<uint8_t> bytes_;
};

}  // namespace korvex
