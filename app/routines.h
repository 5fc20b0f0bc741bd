// The installer logic: the program's globals, its event handlers and the
// routines they share. Every routine reaches the system through the runtime
// entry table (runtime/call_protocol.h) only.
#pragma once

#include <cstdint>

#include "app/program_layout.h"

// Event handlers and the entry routine are reached from the program code block
// (app/program_code.S) at the offsets of app/program_layout.def; the runtime
// calls them with the standard calling convention (the callee removes
// arguments, as many bytes as the list gives: a mismatch fails to link on
// 32-bit Windows).
#define KORVEX_HANDLER __stdcall

namespace korvex::app {
// Declared external functions by index.
enum DeclaredFunction : int32_t {
#define DECLARED_FUNCTION(name, module, export_name) name,
#include "app/declared_functions.def"
  kDeclaredFunctionEnd
};
}  // namespace korvex::app

extern "C" {
// The entry routine: initialises the program image, the globals, loads the
// main window and runs the message loop. Returns 0.
int32_t KORVEX_HANDLER ProgramEntry();
// Main window, event 0 (creation complete): the start-up sequence.
int32_t KORVEX_HANDLER OnMainWindowCreated();
// Main window, event 1 (close query): cleans up and ends the program.
int32_t KORVEX_HANDLER OnMainWindowClosing();
// Click of "一键安装", "一键卸载" and "手动安装".
int32_t KORVEX_HANDLER OnOneClickInstall();
int32_t KORVEX_HANDLER OnOneClickUninstall();
int32_t KORVEX_HANDLER OnManualInstall();
// Hot-key label, event 0: id of the pressed hot key; second is not used.
int32_t KORVEX_HANDLER OnHotKeyFeedback(int32_t id, int32_t second);

// The program's declared external functions, in declaration order, for the
// program image (module name and export name per index).
inline constexpr int32_t kDeclaredFunctionCount = korvex::app::kDeclaredFunctionEnd;
extern const char* const DeclaredModuleNames[kDeclaredFunctionCount];
extern const char* const DeclaredFunctionNames[kDeclaredFunctionCount];

// Start of the program code block: the code base of the event-handler offsets.
extern const uint8_t ProgramCode[];
}

namespace korvex::app {

// Location ids of the routines, for runtime error reports.
enum RoutineLocation : uint32_t {
  kStartupSequenceLocation = 0x04000001,
  kRegistryReadLocation,
  kAnsiToWideLocation,
  kQueryValueLocation,
  kWideToAnsiLocation,
  kRedirectionBeforeEndLocation,
};

inline constexpr uint32_t kLocalMachineRoot = 0x80000002;
inline constexpr int32_t kAnsiCodePage936 = 936;

// Program globals (zero at load).
extern int32_t HomeHotKeyId;
extern int32_t EndHotKeyId;
extern void* CommandLineArgs;  // Array of Text
extern int32_t ArgumentCount;
extern int32_t ScanIndex;
extern int32_t AnsiCodePage;
// Storage for the previous file-system redirection state (one address-wide
// word): the address handed to the redirection calls.
extern uintptr_t RedirectionState;

// Frees every element of CommandLineArgs and the array (run at program end).
void FreeGlobals();

// Flows and steps shared by the handlers.
void SilentInstall();
void InstallLocationCheck();
// Whether the uninstall entry's location holds the uninstaller.
bool ProductInstalled();
void ShellNewCleanup();

// The native registry read (64-bit view through the declared functions).
// Every result is a new value owned by the caller; an empty one is null.
char* ReadRegistryText(uint32_t root, const char* key, const char* name, int32_t use64,
                       int32_t spare);
void* TextToWide(const char* text);
void* AnsiToWide(const void* bytes, int32_t code_page);
void* QueryRegistryValueWide(uint32_t root, const void* wide_key, const void* wide_name,
                             int32_t use64);
char* WideToText(const void* wide);
void* WideToAnsi(const void* wide, int32_t code_page);
// The byte sets joined in order; null (empty) when all are empty.
void* ConcatByteSets(int32_t count, const void* const* byte_sets);

}  // namespace korvex::app
