// The program's constants: payload byte sets and texts. They lie in the
// read-only constant segment of the program image; values pointing at them are
// never freed. Texts are NUL-terminated code page 936 (GBK) bytes.
#pragma once

#include <cstdint>

extern "C" {
// Byte sets: int32 1, int32 length, then the bytes.
extern const uint8_t InstallerImage[];
extern const uint8_t SettingsImage[];
// {1, 0}: the empty one-dimensional array, also the empty byte set.
extern const uint8_t EmptyArrayConstant[];
extern const uint8_t NarrowTerminator[];  // byte set of one zero byte
extern const uint8_t WideTerminator[];    // byte set of two zero bytes

// Texts.
extern const char kInstallerRelativePath[];  // "Tessaranvolk\Korvex.exe"
extern const char kEmptyText[];              // ""
extern const char kSettingsRelativePath[];   // "Korvex\Korvex.qdf"
extern const char kWorkFolderName[];         // "Tessaranvolk"
extern const char kInstallLocationValue[];   // "InstallLocation"
// "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Korvex"
extern const char kUninstallKeyPath[];
extern const char kUninstallerName[];     // "unins000.exe"
extern const char kShellNewMachine7z[];   // "SOFTWARE\Classes\.7z\ShellNew"
extern const char kShellNewMachineRar[];  // "SOFTWARE\Classes\.rar\ShellNew"
extern const char kShellNewMachineZip[];  // "SOFTWARE\Classes\.zip\ShellNew"
extern const char kShellNewUser7z[];      // "Software\Classes\.7z\ShellNew"
extern const char kShellNewUserRar[];     // "Software\Classes\.rar\ShellNew"
extern const char kShellNewUserZip[];     // "Software\Classes\.zip\ShellNew"
extern const char kSilentSwitch[];        // "-s"
// "Tessaranvolk\Korvex.exe /sp- /verysilent /suppressmsgboxes /norestart"
extern const char kSilentCommandTail[];
extern const char kWorkFolderOpenPath[];  // "Tessaranvolk\"
extern const char kExplorerName[];        // "explorer.exe"
extern const char kRevealSwitch[];        // " /select, "
extern const char kBlank[];               // " "
extern const char kBackslash[];           // "\"
extern const char kSettingsFolderName[];  // "Korvex"
// Pieces of the quoted command lines (see the installer logic).
extern const char kQuote[];           // "\""
extern const char kSilentSwitches[];  // " /sp- /verysilent /suppressmsgboxes /norestart"

// Bounds of the constant segment and of the window template segment.
extern const uint8_t ConstantSegmentStart[];
extern const uint8_t ConstantSegmentEnd[];  // one past the last byte
extern const uint32_t ConstantSegmentSize;
extern const uint8_t WindowTemplateSegment[];
extern const uint32_t WindowTemplateSegmentSize;
}
