// The three install flows: silent ("-s"), one-click and manual.
//
// The installer path is quoted inside both command lines, so that an
// application-data folder holding blanks or cmd's special characters
// (& ^ ( ) ; ,) still starts the installer and nothing else. cmd strips the
// first and the last quote when the line holds more than two, which leaves
//   "<installer path>" /sp- /verysilent /suppressmsgboxes /norestart
// to run. A "%" in the path is still expanded by cmd: no escape exists for it
// inside quotes.
#include "app/command_calls.h"
#include "app/routines.h"
#include "runtime/values.h"

namespace korvex::app {
namespace {

// "cmd /c " + quote + quote + installer path + quote + switches + quote.
char* SilentCommand() {
  char* folder = AppDataFolder();
  char* command = Concat(kCmdPrefix, kQuote, kQuote, folder, kInstallerRelativePath, kQuote,
                         kSilentSwitches, kQuote);
  Release(folder);
  return command;
}

// "cmd /c " + quote + quote + installer path + quote + quote.
char* ManualCommand() {
  char* folder = AppDataFolder();
  char* command =
      Concat(kCmdPrefix, kQuote, kQuote, folder, kInstallerRelativePath, kQuote, kQuote);
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
    RunWaitingHidden(command);
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
