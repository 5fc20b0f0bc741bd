// Where each command sits: its library index and its position in that
// library's command entry table.
#pragma once

#include <cstdint>

#include "runtime/call_protocol.h"

namespace korvex {

// Core library (index 0): 16 commands.
enum CoreCommand : int32_t {
  kRunCmd = 0,
  kCommandLineArgsCmd,
  kWriteFileCmd,
  kDeleteFileCmd,
  kCreateFolderCmd,
  kRemoveFolderCmd,
  kFileExistsCmd,
  kDeleteRegistryItemCmd,
  kToByteSetCmd,
  kGetByteSetDataCmd,
  kBlankByteSetCmd,
  kPointerToByteSetCmd,
  kByteSetLengthCmd,
  kBitOrCmd,
  kGetWindowHandleCmd,
  kWriteHeldFileCmd,
  kCoreCommandCount
};
static_assert(kCoreCommandCount == 16);

// Special-functions library (index 2).
enum SpecialFunctionsCommand : int32_t { kDelayCmd = 0, kSpecialFunctionsCommandCount };
// Operating-system interface library (index 3).
enum SystemInterfaceCommand : int32_t {
  kSpecialFolderCmd = 0,
  kShellOpenCmd,
  kSystemInterfaceCommandCount
};
// Extension library one (index 4).
enum ExtensionOneCommand : int32_t {
  kRegisterHotKeyCmd = 0,
  kUnregisterHotKeyCmd,
  kExtensionOneCommandCount
};

// The five library records of the program image, in table order.
extern const LibraryRecord kCoreLibraryRecord;
extern const LibraryRecord kCompressionLibraryRecord;
extern const LibraryRecord kSpecialFunctionsLibraryRecord;
extern const LibraryRecord kSystemInterfaceLibraryRecord;
extern const LibraryRecord kExtensionOneLibraryRecord;

}  // namespace korvex

// The program's library table: the five records above, in table order.
extern "C" const korvex::LibraryRecord* const ProgramLibraryTable[korvex::kLibraryCount];
