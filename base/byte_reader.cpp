#include "base/byte_reader.h"

#include <cstring>

namespace korvex {

bool ByteReader::Skip(size_t n) {
  if (!ok_ || n > size_ - pos_) {
    ok_ = false;
    return false;
  }
  pos_ += n;
  return true;
}

bool ByteReader::Seek(size_t pos) {
  if (!ok_ || pos > size_) {
    ok_ = false;
    return false;
  }
  pos_ = pos;
  return true;
}

void ByteReader::FailAt(size_t pos) {
  pos_ = pos;
  ok_ = false;
}

std::span<const uint8_t> ByteReader::ReadBytes(size_t n) {
  const size_t at = pos_;
  if (!Skip(n)) return {};
  return {data_ + at, n};
}

uint8_t ByteReader::ReadByte() {
  auto b = ReadBytes(1);
  return b.empty() ? 0 : b[0];
}

uint16_t ByteReader::ReadUInt16() {
  auto b = ReadBytes(2);
  return b.empty() ? 0 : LoadUInt16(b.data());
}

uint32_t ByteReader::ReadUInt32() {
  auto b = ReadBytes(4);
  return b.empty() ? 0 : LoadUInt32(b.data());
}

uint16_t ByteReader::ReadUInt16BigEndian() {
  auto b = ReadBytes(2);
  return b.empty() ? 0 : LoadUInt16BigEndian(b.data());
}

uint32_t ByteReader::ReadUInt32BigEndian() {
  auto b = ReadBytes(4);
  return b.empty() ? 0 : LoadUInt32BigEndian(b.data());
}

std::string_view ByteReader::ReadZeroText() {
  if (!ok_ || pos_ == size_) {
    ok_ = false;
    return {};
  }
  const void* end = std::memchr(data_ + pos_, 0, size_ - pos_);
  if (end == nullptr) {
    ok_ = false;
    return {};
  }
  const size_t length = static_cast<size_t>(static_cast<const uint8_t*>(end) - (data_ + pos_));
  const std::string_view text(reinterpret_cast<const char*>(data_ + pos_), length);
  pos_ += length + 1;
  return text;
}

std::string_view ByteReader::ReadCountedText() {
  const int32_t n = ReadInt32();
  if (!ok_ || n <= 0) return {};
  auto b = ReadBytes(static_cast<size_t>(n));
  return {reinterpret_cast<const char*>(b.data()), b.size()};
}

std::span<const uint8_t> ByteReader::ReadCountedBlock() {
  const size_t at = pos_;
  const int32_t n = ReadInt32();
  if (!ok_) return {};
  if (n < 0) {
    FailAt(at);
    return {};
  }
  return ReadBytes(static_cast<size_t>(n));
}

int32_t ByteReader::ReadCount(size_t item_size) {
  const size_t at = pos_;
  const int32_t n = ReadInt32();
  if (!ok_) return 0;
  if (n < 0 || (item_size != 0 && static_cast<size_t>(n) > remaining() / item_size)) {
    FailAt(at);
    return 0;
  }
  return n;
}

}  // namespace korvex
