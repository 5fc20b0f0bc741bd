#include "base/file_io.h"

#include <cstdio>

namespace korvex {
namespace {

// Writes the bytes and closes the file; true when every byte reached it.
bool WriteAndClose(std::FILE* file, std::span<const uint8_t> bytes) {
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  bytes->clear();
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    bytes->insert(bytes->end(), chunk, chunk + got);
  }
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

bool WriteWholeFile(const char* path, std::span<const uint8_t> bytes) {
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  if (!WriteAndClose(file, bytes)) {
    std::remove(path);
    return false;
  }
  return true;
}

#if defined(_WIN32)
bool WriteWholeFile(const wchar_t* path, std::span<const uint8_t> bytes) {
  std::FILE* file = _wfopen(path, L"wb");
  if (file == nullptr) return false;
  if (!WriteAndClose(file, bytes)) {
    _wremove(path);
    return false;
  }
  return true;
}
#endif

}  // namespace korvex
