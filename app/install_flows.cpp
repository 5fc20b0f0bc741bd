// The three install flows: silent ("-s"), one-click and manual.
//
// The installer is started directly, by its full path (RunCmd takes the
// program from the quoted first token), with the command line it has always
// been given:
//   "<installer path>" /sp- /verysilent /suppressmsgboxes /norestart
// or, for the manual install, "<installer path>" alone. No command processor
// runs in between, so nothing of the user's takes part (a command processor's
// AutoRun command, a "%" of the path expanded), and a path holding blanks or
// & ^ ( ) ; , % reaches the installer as it is.
//
// The silent runs pass the hidden window state (the installer shows nothing
// with its switches); the manual run passes the normal one, so that the
// installer shows its pages.
#include "app/command_calls.h"
#include "app/routines.h"
#include "runtime/values.h"

namespace korvex::app {
namespace {

// Quote + installer path + quote + switches.
char* SilentCommand() {
  char* folder = AppDataFolder();
  char* command = Concat(kQuote, folder, kInstallerRelativePath, kQuote, kSilentSwitches);
  Release(folder);
  return command;
}

// Quote + installer path + quote.
char* ManualCommand() {
  char* folder = AppDataFolder();
  char* command = Concat(kQuote, folder, kInstallerRelativePath, kQuote);
  Release(folder);
  return command;
}

// Only a file that was written and held since is started: one that may have
// been changed meanwhile is not, and the flow goes on as when the installer
// cannot be started.
void RunSilentInstaller() {
  if (!InstallerHeld) return;
  char* command = SilentCommand();
  RunWaitingHidden(command);
  Release(command);
}

}  // namespace

// Deployment tools run the silent mode unattended and see only its exit code:
// 0 when the product is installed afterwards, 1 when it is not.
void SilentInstall() {
  WriteInstallerFile();
  Delay(5000);
  RunSilentInstaller();
  Delay(5000);
  WriteSettingsFile();
  ShellNewCleanup();
  DeleteInstallerFile();
  char* work_folder = AppDataPath(kWorkFolderName);
  CallCore(kRemoveFolderCmd, TextArg(work_folder));
  Release(work_folder);
  FinishProgram(ProductInstalled() ? 0 : 1);
}

}  // namespace korvex::app

using namespace korvex;
using namespace korvex::app;

extern "C" int32_t KORVEX_HANDLER OnOneClickInstall() {
  RunSilentInstaller();
  Delay(5000);
  WriteSettingsFile();
  ShellNewCleanup();
  DeleteInstallerFile();
  FinishProgram(0);
  return 0;
}

extern "C" int32_t KORVEX_HANDLER OnManualInstall() {
  if (InstallerHeld) {
    char* command = ManualCommand();
    RunWaitingShown(command);
    Release(command);
  }
  Delay(3000);
  WriteSettingsFile();
  DeleteInstallerFile();
  UnregisterHomeHotKey();
  DisableFsRedirectionBeforeEnd();
  FinishProgram(0);
  return 0;
}
