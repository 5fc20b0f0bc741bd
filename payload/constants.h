// The program's constants: payload byte sets and texts (payload/constants.def).
// They lie in the read-only constant segment of the program image; values
// pointing at them are never freed. Texts are NUL-terminated code page 936
// (GBK) bytes.
#pragma once

#include <cstdint>

extern "C" {
#define CONSTANT_BYTE_SET_FILE(name, file) extern const uint8_t name[];
#define CONSTANT_BYTE_SET(name, ...) extern const uint8_t name[];
#define CONSTANT_TEXT(name, text) extern const char name[];
#include "payload/constants.def"

// Bounds of the constant segment and of the window template segment.
extern const uint8_t ConstantSegmentStart[];
extern const uint8_t ConstantSegmentEnd[];  // one past the last byte
extern const uint32_t ConstantSegmentSize;
extern const uint8_t WindowTemplateSegment[];
extern const uint32_t WindowTemplateSegmentSize;
}
