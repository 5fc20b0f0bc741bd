// The program's constants for tests built without the payload's constant
// segment: the same texts, and small byte sets in place of the payloads.
#include <cstdint>

#include "payload/constants.h"

extern "C" {
alignas(4) const uint8_t InstallerImage[] = {1, 0, 0, 0, 3, 0, 0, 0, 'M', 'Z', 'P'};
alignas(4) const uint8_t SettingsImage[] = {1, 0, 0, 0, 2, 0, 0, 0, 'K', 'o'};
alignas(4) const uint8_t EmptyArrayConstant[] = {1, 0, 0, 0, 0, 0, 0, 0};
alignas(4) const uint8_t NarrowTerminator[] = {1, 0, 0, 0, 1, 0, 0, 0, 0};
alignas(4) const uint8_t WideTerminator[] = {1, 0, 0, 0, 2, 0, 0, 0, 0, 0};

const char kInstallerRelativePath[] = "Tessaranvolk\\Korvex.exe";
const char kCmdPrefix[] = "cmd /c ";
const char kEmptyText[] = "";
const char kSettingsRelativePath[] = "Korvex\\Korvex.qdf";
const char kWorkFolderName[] = "Tessaranvolk";
const char kInstallLocationValue[] = "InstallLocation";
const char kUninstallKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvex";
const char kUninstallerName[] = "unins000.exe";
const char kShellNewMachine7z[] = "SOFTWARE\\Classes\\.7z\\ShellNew";
const char kShellNewMachineRar[] = "SOFTWARE\\Classes\\.rar\\ShellNew";
const char kShellNewMachineZip[] = "SOFTWARE\\Classes\\.zip\\ShellNew";
const char kShellNewUser7z[] = "Software\\Classes\\.7z\\ShellNew";
const char kShellNewUserRar[] = "Software\\Classes\\.rar\\ShellNew";
const char kShellNewUserZip[] = "Software\\Classes\\.zip\\ShellNew";
const char kSilentSwitch[] = "-s";
const char kSilentCommandTail[] =
    "Tessaranvolk\\Korvex.exe /sp- /verysilent /suppressmsgboxes /norestart";
const char kWorkFolderOpenPath[] = "Tessaranvolk\\";
const char kRevealPrefix[] = "Explorer /select, ";
const char kQuote[] = "\"";
const char kSilentSwitches[] = " /sp- /verysilent /suppressmsgboxes /norestart";
}
