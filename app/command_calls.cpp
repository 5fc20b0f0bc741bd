#include "app/command_calls.h"

#include "app/routines.h"
#include "runtime/values.h"

namespace korvex::app {

int32_t InstallerHeld = 0;

char* AppDataFolder() {
  constexpr int32_t kApplicationDataFolder = 8;
  ArgRecord folder =
      CallLibrary(kSystemInterfaceLibrary, kSpecialFolderCmd, IntArg(kApplicationDataFolder));
  return PointerOf<char>(folder);
}

char* AppDataPath(const char* relative) {
  char* folder = AppDataFolder();
  char* path = Concat(folder, relative);
  Release(folder);
  return path;
}

void WriteInstallerFile() {
  char* path = AppDataPath(kInstallerRelativePath);
  InstallerHeld = CallCore(kWriteHeldFileCmd, TextArg(path), ByteSetArg(InstallerImage)).low != 0;
  Release(path);
}

void WriteSettingsFile() {
  char* path = AppDataPath(kSettingsRelativePath);
  CallCore(kWriteFileCmd, TextArg(path), ByteSetArg(SettingsImage));
  Release(path);
}

void DeleteInstallerFile() {
  InstallerHeld = 0;
  char* path = AppDataPath(kInstallerRelativePath);
  CallCore(kDeleteFileCmd, TextArg(path));
  Release(path);
}

void Delay(int32_t milliseconds) {
  CallLibrary(kSpecialFunctionsLibrary, kDelayCmd, IntArg(milliseconds));
}

void RunWaitingHidden(const char* command) {
  constexpr int32_t kHiddenShowMode = 1;
  CallCore(kRunCmd, TextArg(command), BoolArg(true), IntArg(kHiddenShowMode));
}

void RunWaitingShown(const char* command) {
  constexpr int32_t kNormalShowMode = 2;
  CallCore(kRunCmd, TextArg(command), BoolArg(true), IntArg(kNormalShowMode));
}

void RunWithoutWaiting(const char* command) {
  CallCore(kRunCmd, TextArg(command), BoolArg(false), MakeOmitted());
}

int32_t MainWindowHandle() {
  return IntOf(CallCore(kGetWindowHandleCmd,
                        MakeUnitRef(kMainWindowId, forms::kWindowUnitId, forms::kUnitTypeWindow)));
}

int32_t HotKeyLabelHandle() {
  return IntOf(CallCore(kGetWindowHandleCmd,
                        MakeUnitRef(kMainWindowId, kHotKeyLabelUnit, kHotKeyLabelUnitType)));
}

void UnregisterHomeHotKey() {
  int32_t window = MainWindowHandle();
  CallLibrary(kExtensionOneLibrary, kUnregisterHotKeyCmd, IntArg(window), IntArg(HomeHotKeyId));
}

void DisableFsRedirectionBeforeEnd() {
  CallDeclared({kRedirectionBeforeEndLocation, 1}, kDisableFsRedirection, false,
               Address(&RedirectionState));
}

void FinishProgram(uint32_t exit_code) {
  Runtime().end_program(exit_code);
}

}  // namespace korvex::app
