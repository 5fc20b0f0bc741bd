// The library table, the command call entries, the service callback and the
// runtime entry table.
#include "runtime/call_protocol.h"

#include "runtime/errors.h"
#include "runtime/values.h"

namespace korvex {
namespace {

const LibraryRecord* const* g_libraries = nullptr;
int32_t g_library_count = 0;
void (*g_process_pending_messages)() = nullptr;
int32_t g_program_kind = 0;

// A library passes byte counts as machine words. A count that no block can
// hold fails as an allocation; it is never cut to its low 32 bits, which
// would hand out a smaller block than the library then fills.
bool FitsByteCount(intptr_t bytes) {
  return static_cast<intptr_t>(static_cast<int32_t>(bytes)) == bytes;
}

void ReportCodedError(int32_t code, uint32_t location, int32_t line) {
  RaiseCodedError(code, location, line);
}

void EndProgramEntry(uint32_t exit_code) {
  EndProgram(exit_code);
}

RuntimeEntryTable MakeRuntimeEntries() {
  RuntimeEntryTable t{};
  t.report_error = ReportCodedError;
  t.call_declared = nullptr;  // filled when the declared functions are set up
  t.call_library = CallLibraryCommand;
  t.call_core = CallCoreCommand;
  t.allocate = Allocate;
  t.reallocate = Reallocate;
  t.free = Free;
  t.end_program = EndProgramEntry;
  return t;
}

RuntimeEntryTable g_runtime = MakeRuntimeEntries();

}  // namespace

void SetLibraryTable(const LibraryRecord* const* table, int32_t count) {
  g_libraries = table;
  g_library_count = table == nullptr || count < 0 ? 0 : count;
}

const LibraryRecord* LibraryAt(int32_t index) {
  if (index < 0 || index >= g_library_count) return nullptr;
  return g_libraries[index];
}

int32_t LibraryTableCount() {
  return g_library_count;
}

ArgRecord CallLibraryCommand(int32_t library, int32_t command, int32_t count, ArgRecord* args) {
  ArgRecord result{0, 0, 0};
  const LibraryRecord* record = LibraryAt(library);
  // A command the library does not list is not called; the result stays empty.
  if (record == nullptr || record->command_entries == nullptr || command < 0 ||
      command >= record->command_count) {
    return result;
  }
  CommandEntry entry = record->command_entries[command];
  if (entry != nullptr) entry(&result, count < 0 ? 0 : count, args);
  return result;
}

ArgRecord CallCoreCommand(int32_t command, int32_t count, ArgRecord* args) {
  return CallLibraryCommand(kCoreLibrary, command, count, args);
}

void SetProcessPendingMessagesHook(void (*hook)()) {
  g_process_pending_messages = hook;
}
void SetProgramKind(int32_t kind) {
  g_program_kind = kind;
}

intptr_t RuntimeService(int32_t code, intptr_t p1, intptr_t p2) {
  switch (code) {
    case kServiceProcessPendingMessages:
      if (g_process_pending_messages != nullptr) g_process_pending_messages();
      return 0;
    case kServiceFreeArray:
      FreeArrayValue(static_cast<uint32_t>(p1), reinterpret_cast<void*>(p2));
      return 0;
    case kServiceAllocate:
      if (!FitsByteCount(p1)) {
        if (p2 != 0) return 0;
        ReportAllocationFailure(p1);
      }
      return reinterpret_cast<intptr_t>(p2 != 0 ? TryAllocate(static_cast<int32_t>(p1))
                                                : Allocate(static_cast<int32_t>(p1)));
    case kServiceFree:
      Free(reinterpret_cast<void*>(p1));
      return 0;
    case kServiceReallocate:
      if (!FitsByteCount(p2)) ReportAllocationFailure(p2);
      return reinterpret_cast<intptr_t>(
          Reallocate(reinterpret_cast<void*>(p1), static_cast<int32_t>(p2)));
    case kServiceReportError:
      ReportError(reinterpret_cast<const char*>(p1), 0, 0, 0);
    case kServiceEnd:
      EndProgram(static_cast<uint32_t>(p1));
    case kServiceProgramKind:
      return g_program_kind;
    default:
      return 0;
  }
}

RuntimeEntryTable& Runtime() {
  return g_runtime;
}

void ResetRuntimeEntriesForTesting() {
  g_runtime = MakeRuntimeEntries();
}

}  // namespace korvex
