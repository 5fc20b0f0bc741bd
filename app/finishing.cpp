// Steps around the install: the uninstall entry check and the uninstall
// button, the ShellNew clean-up, and the two hot keys.
#include "app/command_calls.h"
#include "app/routines.h"
#include "runtime/values.h"

namespace korvex::app {
namespace {

constexpr int32_t kCurrentUserRoot = 3;
constexpr int32_t kLocalMachineRootId = 4;

// The InstallLocation text of the product's uninstall entry (64-bit view);
// null when the key or the value is missing.
char* InstallLocation() {
  constexpr int32_t kUse64BitView = 1;
  constexpr int32_t kSpare = 1;
  return ReadRegistryText(kLocalMachineRoot, kUninstallKeyPath, kInstallLocationValue,
                          kUse64BitView, kSpare);
}

void DeleteRegistryItem(int32_t root, const char* path) {
  CallCore(kDeleteRegistryItemCmd, IntArg(root), TextArg(path));
}

}  // namespace

bool ProductInstalled() {
  char* location = InstallLocation();
  char* uninstaller = Concat(location, kUninstallerName);
  Release(location);
  bool exists = CallCore(kFileExistsCmd, TextArg(uninstaller)).low != 0;
  Release(uninstaller);
  return exists;
}

void InstallLocationCheck() {
  if (ProductInstalled()) return;
  Runtime().write_property(kMainWindowId, kUninstallButtonUnit, kDisabledProperty, -1, 1, 0);
}

void ShellNewCleanup() {
  DeleteRegistryItem(kLocalMachineRootId, kShellNewMachine7z);
  DeleteRegistryItem(kLocalMachineRootId, kShellNewMachineRar);
  DeleteRegistryItem(kLocalMachineRootId, kShellNewMachineZip);
  DeleteRegistryItem(kCurrentUserRoot, kShellNewUser7z);
  DeleteRegistryItem(kCurrentUserRoot, kShellNewUserRar);
  DeleteRegistryItem(kCurrentUserRoot, kShellNewUserZip);
}

}  // namespace korvex::app

using namespace korvex;
using namespace korvex::app;

// The uninstaller's path is quoted: unquoted, a path under "Program Files"
// would be searched piece by piece and a planted "C:\Program.exe" would run.
extern "C" int32_t KORVEX_HANDLER OnOneClickUninstall() {
  char* location = InstallLocation();
  char* command = Concat(kQuote, location, kUninstallerName, kQuote);
  Release(location);
  RunWithoutWaiting(command);
  Release(command);
  return 0;
}

extern "C" int32_t KORVEX_HANDLER OnHotKeyFeedback(int32_t id, int32_t /*second*/) {
  if (id == HomeHotKeyId) {
    char* folder = AppDataPath(kWorkFolderOpenPath);
    CallLibrary(kSystemInterfaceLibrary, kShellOpenCmd, MakeOmitted(), TextArg(folder),
                MakeOmitted(), MakeOmitted(), MakeOmitted());
    Release(folder);
  }
  if (id == EndHotKeyId) {
    char* settings = AppDataPath(kSettingsRelativePath);
    char* command = Concat(kRevealPrefix, kQuote, settings, kQuote);
    Release(settings);
    RunWithoutWaiting(command);
    Release(command);
    WriteSettingsFile();
  }
  return 0;
}
