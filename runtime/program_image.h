// The program information block: thirteen 32-bit words in read-only data
// (addresses are pointer-wide in a 64-bit build of the same sources) through
// which the runtime finds every part of the program (its code, its
// constants, its window templates, its libraries and its declared functions).
// The block itself is laid down by runtime/program_image.S.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/library_record.h"
#include "runtime/program_numbers.h"

namespace korvex {

inline constexpr uint32_t kProgramKindBuilt = KORVEX_PROGRAM_KIND_BUILT;
inline constexpr uint32_t kProgramBuildNumber = KORVEX_PROGRAM_BUILD_NUMBER;

struct ProgramInfoBlock {
  uint32_t program_kind;
  uint32_t reserved;
  uint32_t build_number;
  const uint8_t* code_base;  // base of every event-handler offset
  const uint8_t* constant_segment;
  uint32_t constant_segment_size;
  const uint8_t* template_segment;
  uint32_t template_segment_size;
  int32_t library_count;
  const LibraryRecord* const* library_table;
  int32_t declared_count;
  const char* const* declared_module_names;
  const char* const* declared_function_names;
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(ProgramInfoBlock) == 13 * 4, "thirteen words");
static_assert(offsetof(ProgramInfoBlock, program_kind) == 0);
static_assert(offsetof(ProgramInfoBlock, reserved) == 4);
static_assert(offsetof(ProgramInfoBlock, build_number) == 8);
static_assert(offsetof(ProgramInfoBlock, code_base) == 12);
static_assert(offsetof(ProgramInfoBlock, constant_segment) == 16);
static_assert(offsetof(ProgramInfoBlock, constant_segment_size) == 20);
static_assert(offsetof(ProgramInfoBlock, template_segment) == 24);
static_assert(offsetof(ProgramInfoBlock, template_segment_size) == 28);
static_assert(offsetof(ProgramInfoBlock, library_count) == 32);
static_assert(offsetof(ProgramInfoBlock, library_table) == 36);
static_assert(offsetof(ProgramInfoBlock, declared_count) == 40);
static_assert(offsetof(ProgramInfoBlock, declared_module_names) == 44);
static_assert(offsetof(ProgramInfoBlock, declared_function_names) == 48);
#elif UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
static_assert(sizeof(ProgramInfoBlock) == 88);
static_assert(offsetof(ProgramInfoBlock, code_base) == 16);
static_assert(offsetof(ProgramInfoBlock, constant_segment_size) == 32);
static_assert(offsetof(ProgramInfoBlock, template_segment) == 40);
static_assert(offsetof(ProgramInfoBlock, template_segment_size) == 48);
static_assert(offsetof(ProgramInfoBlock, library_count) == 52);
static_assert(offsetof(ProgramInfoBlock, library_table) == 56);
static_assert(offsetof(ProgramInfoBlock, declared_count) == 64);
static_assert(offsetof(ProgramInfoBlock, declared_module_names) == 72);
static_assert(offsetof(ProgramInfoBlock, declared_function_names) == 80);
#endif

}  // namespace korvex

// The block of the built program (runtime/program_image.S).
extern "C" const korvex::ProgramInfoBlock ProgramInformationBlock;
