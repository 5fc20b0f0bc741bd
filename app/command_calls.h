// How the routines call commands and declared functions: argument records
// built in one place, texts and byte sets never passed as null, every call
// through the runtime entry table.
#pragma once

#include <cstdint>

#include "commands/command_ids.h"
#include "payload/constants.h"
#include "runtime/arg_record.h"
#include "runtime/call_protocol.h"

namespace korvex::app {

// A text argument: a null text travels as the empty text constant.
inline ArgRecord TextArg(const char* text) {
  return MakePointer(text != nullptr ? text : kEmptyText, tag::kText);
}
// A byte-set argument: a null (empty) byte set travels as the empty constant.
inline ArgRecord ByteSetArg(const void* byte_set) {
  return MakePointer(byte_set != nullptr ? byte_set : static_cast<const void*>(EmptyArrayConstant),
                     tag::kByteSet);
}
inline ArgRecord IntArg(int32_t value) {
  return MakeInt(value);
}
inline ArgRecord BoolArg(bool value) {
  return MakeBool(value);
}

template <typename... Args>
ArgRecord CallCore(int32_t command, Args... args) {
  static_assert(sizeof...(Args) > 0, "every command the program calls takes arguments");
  ArgRecord list[] = {args...};
  return Runtime().call_core(command, static_cast<int32_t>(sizeof...(Args)), list);
}

template <typename... Args>
ArgRecord CallLibrary(int32_t library, int32_t command, Args... args) {
  static_assert(sizeof...(Args) > 0, "every command the program calls takes arguments");
  ArgRecord list[] = {args...};
  return Runtime().call_library(library, command, static_cast<int32_t>(sizeof...(Args)), list);
}

// One argument of a declared external function: a machine word (32 bits in
// the program, 64 in a 64-bit test build).
using DeclaredArg = uintptr_t;

// An address as a declared-function argument.
inline DeclaredArg Address(const void* p) {
  return static_cast<DeclaredArg>(reinterpret_cast<uintptr_t>(p));
}
// A predefined registry root: a sign-extended 32-bit value, like the platform's.
inline DeclaredArg RootKeyArg(uint32_t root) {
  return static_cast<DeclaredArg>(static_cast<intptr_t>(static_cast<int32_t>(root)));
}

// Where a routine calls a declared function: the routine's location id and the
// line of the call, which a stack error after the call reports.
struct CallSite {
  uint32_t location;
  int32_t line;
};

// A declared external function, arguments first to last. Signed integers are
// sign-extended to the machine word, unsigned ones zero-extended. The result
// is the function's 32-bit integer result (every one the program declares
// returns a 32-bit value, or a length that fits one).
template <typename... Args>
uint32_t CallDeclared(CallSite site, int32_t index, bool caller_cleans, Args... args) {
  const DeclaredArg argv[] = {static_cast<DeclaredArg>(args)...};
  return static_cast<uint32_t>(Runtime().call_declared(index, static_cast<int32_t>(sizeof...(Args)),
                                                       argv, caller_cleans ? 1 : 0, site.location,
                                                       site.line));
}

// Frees a temporary text, byte set or array value (null is skipped).
inline void Release(void* value) {
  if (value != nullptr) Runtime().free(value);
}

// --- Steps the flows share ------------------------------------------------
// The application-data folder (a new text, null when unavailable), fetched
// anew on every call.
char* AppDataFolder();
// AppDataFolder() followed by the relative part: a new text.
char* AppDataPath(const char* relative);

// Whether the latest write of the installer file succeeded and the file is
// held against every change since (WriteHeldFileCmd); nothing is started
// from it otherwise. Cleared when the file is deleted.
extern int32_t InstallerHeld;

// Writes the installer file and holds it (sets InstallerHeld).
void WriteInstallerFile();
void WriteSettingsFile();
// Lets go of the installer file and deletes it (clears InstallerHeld).
void DeleteInstallerFile();
void Delay(int32_t milliseconds);
// RunCmd(command, wait, show mode 1 hidden or 2 normal) or, with no show
// mode, (command, wait, omitted).
void RunWaitingHidden(const char* command);
void RunWaitingShown(const char* command);
void RunWithoutWaiting(const char* command);

int32_t MainWindowHandle();
int32_t HotKeyLabelHandle();
void UnregisterHomeHotKey();
// Declared function 0 with the address of RedirectionState (see program.cpp).
void DisableFsRedirectionBeforeEnd();
void FinishProgram(uint32_t exit_code);

}  // namespace korvex::app
