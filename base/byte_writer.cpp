#include "base/byte_writer.h"

#include "base/byte_reader.h"

namespace korvex {

uint8_t* ByteWriter::Grow(size_t n) {
  bytes_.resize(bytes_.size() + n);
  return bytes_.data() + bytes_.size() - n;
}

void ByteWriter::UInt16(uint16_t v) {
  StoreUInt16(Grow(2), v);
}
void ByteWriter::UInt32(uint32_t v) {
  StoreUInt32(Grow(4), v);
}
void ByteWriter::UInt16BigEndian(uint16_t v) {
  StoreUInt16BigEndian(Grow(2), v);
}
void ByteWriter::UInt32BigEndian(uint32_t v) {
  StoreUInt32BigEndian(Grow(4), v);
}

void ByteWriter::ZeroText(std::string_view s) {
  bytes_.insert(bytes_.end(), s.begin(), s.end());
  bytes_.push_back(0);
}

void ByteWriter::CountedText(std::string_view s) {
  Int32(static_cast<int32_t>(s.size()));
  bytes_.insert(bytes_.end(), s.begin(), s.end());
}

void ByteWriter::CountedBlock(std::span<const uint8_t> b) {
  Int32(static_cast<int32_t>(b.size()));
  Bytes(b);
}

void ByteWriter::Utf16(std::u16string_view s) {
  for (char16_t unit : s) UInt16(static_cast<uint16_t>(unit));
}

}  // namespace korvex
