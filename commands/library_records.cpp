// The five support libraries of the program image, with their command entry
// tables in the order of commands/commands.def.
#include <cstdint>

#include "commands/command_ids.h"
#include "commands/commands.h"
#include "commands/library_services.h"
#include "commands/texts.h"
#include "runtime/library_record.h"

namespace korvex {
namespace {

ServiceCallback g_services[kLibraryCount] = {};

template <int32_t kLibrary>
intptr_t Notify(int32_t code, intptr_t p1, intptr_t) {
  if (code == kNotifyStart) {
    g_services[kLibrary] = reinterpret_cast<ServiceCallback>(p1);
  } else if (code == kNotifyEnd) {
    g_services[kLibrary] = nullptr;
  }
  return 0;
}

constexpr CommandEntry kCoreCommands[kCoreCommandCount] = {
#define CORE_COMMAND(name) name,
#include "commands/commands.def"
};
constexpr CommandEntry kSpecialFunctionsCommands[kSpecialFunctionsCommandCount] = {
#define SPECIAL_FUNCTIONS_COMMAND(name) name,
#include "commands/commands.def"
};
constexpr CommandEntry kSystemInterfaceCommands[kSystemInterfaceCommandCount] = {
#define SYSTEM_INTERFACE_COMMAND(name) name,
#include "commands/commands.def"
};
constexpr CommandEntry kExtensionOneCommands[kExtensionOneCommandCount] = {
#define EXTENSION_ONE_COMMAND(name) name,
#include "commands/commands.def"
};

// Data type records: 56 bytes each. This program never reads them.
constexpr int32_t kDataTypeRecordSize = 56;
constexpr int32_t kCoreDataTypeCount = 51;
constexpr int32_t kCompressionDataTypeCount = 1;
const uint8_t kCoreDataTypes[kCoreDataTypeCount * kDataTypeRecordSize] = {};
const uint8_t kCompressionDataTypes[kCompressionDataTypeCount * kDataTypeRecordSize] = {};

constexpr LibraryRecord MakeRecord(const char* identifier, const char* name, uint32_t state_flags,
                                   int32_t type_count, const void* types, int32_t command_count,
                                   const CommandEntry* commands, NotifyRoutine notify) {
  return LibraryRecord{kLibraryFormatMark,
                       identifier,
                       5,
                       7,
                       64,
                       3,
                       7,
                       3,
                       7,
                       name,
                       1,
                       nullptr,
                       {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
                       state_flags,
                       type_count,
                       types,
                       0,
                       nullptr,
                       command_count,
                       nullptr,
                       commands,
                       nullptr,
                       nullptr,
                       notify,
                       nullptr,
                       nullptr,
                       0,
                       nullptr,
                       nullptr};
}

}  // namespace

ServiceCallback LibraryServiceCallback(int32_t library) {
  return library >= 0 && library < kLibraryCount ? g_services[library] : nullptr;
}

const LibraryRecord kCoreLibraryRecord = MakeRecord(
    "d09f2340818511d396f6aaf844c7e325", kCoreLibraryName, 0xC0000001u, kCoreDataTypeCount,
    kCoreDataTypes, kCoreCommandCount, kCoreCommands, Notify<kCoreLibrary>);
const LibraryRecord kCompressionLibraryRecord = MakeRecord(
    "7B68736E818E41c5A28B0AE4D43C128C", kCompressionLibraryName, 0, kCompressionDataTypeCount,
    kCompressionDataTypes, 0, nullptr, Notify<kCompressionLibrary>);
const LibraryRecord kSpecialFunctionsLibraryRecord = MakeRecord(
    "A512548E76954B6E92C21055517615B0", kSpecialFunctionsLibraryName, 0xC0000000u, 0, nullptr,
    kSpecialFunctionsCommandCount, kSpecialFunctionsCommands, Notify<kSpecialFunctionsLibrary>);
const LibraryRecord kSystemInterfaceLibraryRecord = MakeRecord(
    "52F260023059454187AF826A3C07AF2A", kSystemInterfaceLibraryName, 0, 0, nullptr,
    kSystemInterfaceCommandCount, kSystemInterfaceCommands, Notify<kSystemInterfaceLibrary>);
const LibraryRecord kExtensionOneLibraryRecord =
    MakeRecord("DA19AC3ADD2F4121AAD84AC5FBCAFC71", kExtensionOneLibraryName, 0, 0, nullptr,
               kExtensionOneCommandCount, kExtensionOneCommands, Notify<kExtensionOneLibrary>);

}  // namespace korvex

extern "C" const korvex::LibraryRecord* const ProgramLibraryTable[korvex::kLibraryCount] = {
#define LIBRARY(index, record) &korvex::record,
#include "runtime/libraries.def"
};
