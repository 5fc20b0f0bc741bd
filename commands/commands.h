// Every command of the five support libraries, as the library entry tables
// list them. Each one is a CommandEntry: (result, argument count, arguments).
#pragma once

#include <cstdint>

#include "runtime/arg_record.h"

namespace korvex {

// Byte sets and conversion (everywhere).
void ToByteSetCmd(ArgRecord* result, int32_t count, ArgRecord* args);
void GetByteSetDataCmd(ArgRecord* result, int32_t count, ArgRecord* args);
void BlankByteSetCmd(ArgRecord* result, int32_t count, ArgRecord* args);
void PointerToByteSetCmd(ArgRecord* result, int32_t count, ArgRecord* args);
void ByteSetLengthCmd(ArgRecord* result, int32_t count, ArgRecord* args);
void BitOrCmd(ArgRecord* result, int32_t count, ArgRecord* args);

// Files and folders.
void WriteFileCmd(ArgRecord* result, int32_t count, ArgRecord* args);
// Writes like WriteFileCmd, then holds the file against every change until
// DeleteFileCmd on the same path (held_files.cpp).
void WriteHeldFileCmd(ArgRecord* result, int32_t count, ArgRecord* args);
void DeleteFileCmd(ArgRecord* result, int32_t count, ArgRecord* args);
void CreateFolderCmd(ArgRecord* result, int32_t count, ArgRecord* args);
void RemoveFolderCmd(ArgRecord* result, int32_t count, ArgRecord* args);
void FileExistsCmd(ArgRecord* result, int32_t count, ArgRecord* args);

// Processes, waiting, special folders, the shell.
void RunCmd(ArgRecord* result, int32_t count, ArgRecord* args);
void DelayCmd(ArgRecord* result, int32_t count, ArgRecord* args);
void SpecialFolderCmd(ArgRecord* result, int32_t count, ArgRecord* args);
void ShellOpenCmd(ArgRecord* result, int32_t count, ArgRecord* args);
void CommandLineArgsCmd(ArgRecord* result, int32_t count, ArgRecord* args);

// Global hot keys.
void RegisterHotKeyCmd(ArgRecord* result, int32_t count, ArgRecord* args);
void UnregisterHotKeyCmd(ArgRecord* result, int32_t count, ArgRecord* args);

// Registry.
void DeleteRegistryItemCmd(ArgRecord* result, int32_t count, ArgRecord* args);

// Window handles.
void GetWindowHandleCmd(ArgRecord* result, int32_t count, ArgRecord* args);

}  // namespace korvex
