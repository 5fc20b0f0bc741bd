// MD5 message digest (RFC 1321), used for the settings file's body digest.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace korvex {

using Md5Digest = std::array<uint8_t, 16>;

class Md5 {
 public:
  Md5();
  void Update(const uint8_t* data, size_t size);
  // Finishes the message; the object must not be updated afterwards.
  Md5Digest Finish();

 private:
  void Block(const uint8_t* block);

  std::array<uint32_t, 4> state_;
  uint64_t total_bytes_ = 0;
  std::array<uint8_t, 64> buffer_{};
  size_t buffered_ = 0;
};

Md5Digest ComputeMd5(const uint8_t* data, size_t size);

}  // namespace korvex
