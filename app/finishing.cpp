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

// Explorer of the Windows folder started by its full path, with `argument`
// (quoted) after `separator`. Not "Explorer" by name, which the system would
// look for beside this program first, and not the shell's verbs on a folder,
// which it resolves through classes the user can register for themselves.
void RunExplorer(const char* separator, const char* argument) {
  constexpr int32_t kWindowsFolder = 9;
  char* windows = PointerOf<char>(
      CallLibrary(kSystemInterfaceLibrary, kSpecialFolderCmd, IntArg(kWindowsFolder)));
  char* command =
      Concat(kQuote, windows, kExplorerName, kQuote, separator, kQuote, argument, kQuote);
  Release(windows);
  RunWithoutWaiting(command);
  Release(command);
}

// Whether the application-data folder holds a file or folder of that name.
bool AppDataEntryExists(const char* relative) {
  char* path = AppDataPath(relative);
  const bool exists = CallCore(kFileExistsCmd, TextArg(path)).low != 0;
  Release(path);
  return exists;
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
// would end at its first blank ("C:\Program") and start nothing.
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

// Explorer is started only on a folder that exists: Wine's Explorer hands a
// path that is no folder to the shell, which finds a program for it (a
// planted Tessaranvolk.exe or Korvex.exe in the application-data folder), and
// when that fails it leaves the desktop broken.
//
// Home opens the work folder: "<Windows folder>explorer.exe" "<work folder>\\".
// The folder keeps its trailing backslash, so that it names a folder and
// nothing else, should it go between the check and Explorer's look: without
// it, a missing work folder reads as a program name. A second backslash keeps
// one there whichever way the line is read: Explorer's own reading takes the
// quoted text as it stands, with no escape character (and the system's path
// normalization makes a run of separators one), Wine's removes one trailing
// backslash, and the usual argument rules read "\\" before a closing quote as
// one backslash.
//
// End reveals the settings file, "<Windows folder>explorer.exe" /select,
// "<settings path>" (Explorer opens the file's folder), then writes the file
// again.
extern "C" int32_t KORVEX_HANDLER OnHotKeyFeedback(int32_t id, int32_t /*second*/) {
  if (id == HomeHotKeyId && AppDataEntryExists(kWorkFolderName)) {
    char* folder = AppDataPath(kWorkFolderOpenPath);
    char* argument = Concat(folder, kBackslash);
    Release(folder);
    RunExplorer(kBlank, argument);
    Release(argument);
  }
  if (id == EndHotKeyId) {
    if (AppDataEntryExists(kSettingsFolderName)) {
      char* settings = AppDataPath(kSettingsRelativePath);
      RunExplorer(kRevealSwitch, settings);
      Release(settings);
    }
    WriteSettingsFile();
  }
  return 0;
}
