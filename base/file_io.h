// Whole-file reading and writing through the C library, for the build's
// generators, the tests and the sample installer. Platform-independent, with
// a wide-path overload on Windows.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace korvex {

// Replaces *bytes with the file's contents; false when the file cannot be
// opened or read.
bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes);

// Writes bytes as the whole file, replacing what was there; false when the
// file cannot be written completely, in which case no partial file is left.
bool WriteWholeFile(const char* path, std::span<const uint8_t> bytes);
#if defined(_WIN32)
bool WriteWholeFile(const wchar_t* path, std::span<const uint8_t> bytes);
#endif

}  // namespace korvex
