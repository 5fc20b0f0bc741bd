// Steps around the install: the uninstall entry check and the uninstall
// button, the ShellNew clean-up, and the two hot keys.
#include "app/command_calls.h"
#include "app/routines.h"
#include "forms/properties.h"
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

// Whether a location names a folder by an absolute path: a drive letter, a
// colon and a separator ("C:\..."), or two leading separators (a share or a
// device path). An empty location, a relative one ("Korvex\"), one rooted
// on the current drive ("\Korvex\") or relative to a drive's current folder
// ("C:Korvex\") would find the uninstaller beside the program or in whatever
// folder is current, so none of them counts.
bool IsAbsoluteLocation(const char* location) {
  if (location == nullptr) return false;
  auto separator = [](char c) { return c == '\\' || c == '/'; };
  const char drive = location[0];
  if (((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z')) && location[1] == ':')
    return separator(location[2]);
  return separator(location[0]) && separator(location[1]);
}

// The uninstaller at the uninstall entry's location: a new text, or null
// when the entry holds no absolute location.
char* UninstallerPath() {
  char* location = InstallLocation();
  char* uninstaller = IsAbsoluteLocation(location) ? Concat(location, kUninstallerName) : nullptr;
  Release(location);
  return uninstaller;
}

void DeleteRegistryItem(int32_t root, const char* path) {
  CallCore(kDeleteRegistryItemCmd, IntArg(root), TextArg(path));
}

}  // namespace

// The one check behind the uninstall button and the silent mode's exit code.
bool ProductInstalled() {
  char* uninstaller = UninstallerPath();
  if (uninstaller == nullptr) return false;
  const bool exists = CallCore(kFileExistsCmd, TextArg(uninstaller)).low != 0;
  Release(uninstaller);
  return exists;
}

void InstallLocationCheck() {
  if (ProductInstalled()) return;
  Runtime().write_property(kMainWindowId, kUninstallButtonUnit, forms::kPropertyDisabled, -1, 1, 0);
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
// Without an absolute location nothing is started: a bare "unins000.exe"
// would run whatever file of that name lies in the current folder.
extern "C" int32_t KORVEX_HANDLER OnOneClickUninstall() {
  char* uninstaller = UninstallerPath();
  if (uninstaller == nullptr) return 0;
  char* command = Concat(kQuote, uninstaller, kQuote);
  Release(uninstaller);
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
