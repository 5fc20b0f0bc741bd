// A support library as the program image lists it: one 144-byte record on the
// 32-bit target. A library's command entry table is what the call protocol
// indexes; its notify routine receives the runtime's service callback.
#pragma once

#include <cstdint>

#include "runtime/arg_record.h"

namespace korvex {

// (code, p1, p2) -> int: 32-bit integers on the target, wide enough for a
// pointer on a 64-bit host.
using ServiceCallback = intptr_t (*)(int32_t code, intptr_t p1, intptr_t p2);
using NotifyRoutine = intptr_t (*)(int32_t code, intptr_t p1, intptr_t p2);

inline constexpr uint32_t kLibraryFormatMark = 20000101;

struct LibraryRecord {
  uint32_t format_mark;  // kLibraryFormatMark
  const char* identifier;
  int32_t version_major, version_minor, version_build;
  int32_t required_system_major, required_system_minor;
  int32_t required_core_major, required_core_minor;
  const char* name;
  int32_t language;
  const char* explanation;
  const char* contacts[8];  // author, post code, address, telephone, fax, e-mail, home page, other
  uint32_t state_flags;
  int32_t data_type_count;
  const void* data_types;
  int32_t category_count;
  const char* categories;
  int32_t command_count;
  const void* command_descriptions;
  const CommandEntry* command_entries;
  const void* add_in_routine;
  const char* add_in_texts;
  NotifyRoutine notify;
  const void* template_routine;
  const char* template_texts;
  int32_t constant_count;
  const void* constants;
  const char* dependent_files;
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(LibraryRecord) == 144, "library record is 144 bytes on the 32-bit target");
#endif

// Library notify codes.
inline constexpr int32_t kNotifyStart = 1;
inline constexpr int32_t kNotifyEnd = 6;

// Library service codes (service callback).
inline constexpr int32_t kServiceProcessPendingMessages = 2018;
inline constexpr int32_t kServiceFreeArray = 2023;
inline constexpr int32_t kServiceAllocate = 2024;
inline constexpr int32_t kServiceFree = 2025;
inline constexpr int32_t kServiceReallocate = 2026;
inline constexpr int32_t kServiceReportError = 2027;
inline constexpr int32_t kServiceEnd = 2028;
inline constexpr int32_t kServiceProgramKind = 2030;

}  // namespace korvex
