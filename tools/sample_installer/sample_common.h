// Pieces shared by the sample setup program and its uninstaller: switches,
// the run log, folders, registry values, the record of what an install made,
// and the small confirmation page both programs show.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/handles.h"

namespace korvex_sample {

// Decimal digits of a number (of a process id or handle value).
std::wstring DecimalText(uintptr_t value);

inline constexpr wchar_t kProductFolder[] = L"Korvex";
inline constexpr wchar_t kDisplayName[] = L"Korvex";
inline constexpr wchar_t kDisplayVersion[] = L"5.6.1.10516";
inline constexpr wchar_t kPublisher[] = L"Tessaranvolk";
inline constexpr wchar_t kUninstallerName[] = L"unins000.exe";
inline constexpr wchar_t kReadmeName[] = L"readme.txt";
inline constexpr wchar_t kUninstallKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvex";
// Values of the uninstall key that tell the uninstaller what the install made
// (so that it removes only that).
inline constexpr wchar_t kShellNewMadeValue[] = L"KorvexShellNewMade";
inline constexpr wchar_t kAppDataMadeValue[] = L"KorvexAppDataMade";

// The six "New" menu entries: three extensions under the machine's and the
// user's classes.
inline constexpr int kShellNewCount = 6;
struct ShellNewEntry {
  HKEY root;
  const wchar_t* classes;  // key of the classes under root
  const wchar_t* extension;
};
const ShellNewEntry& ShellNewAt(int index);

// Per entry three bits of the record: the extension key, the "ShellNew" key
// and its "NullFile" value, each set when the install created it.
inline constexpr uint32_t kMadeExtension = 1;
inline constexpr uint32_t kMadeShellNew = 2;
inline constexpr uint32_t kMadeNullFile = 4;
inline constexpr uint32_t ShellNewBits(int index, uint32_t bits) {
  return bits << (3 * index);
}

// What one or more installs made; merged over repeated installs.
struct InstallRecord {
  uint32_t shell_new = 0;
  bool app_data_folder = false;
};

// Switches of both programs, matched without regard to case; unknown ones
// are ignored.
struct Switches {
  bool very_silent = false;
  bool silent = false;
  bool suppress_message_boxes = false;
  bool no_restart = false;
  bool no_startup_prompt = false;  // "/sp-"
  // Uninstaller, second phase: the folder to clean up and the handle of the
  // first phase's process (inherited) to wait for.
  std::wstring cleanup_folder;
  uintptr_t wait_handle = 0;
};
Switches ParseSwitches(int argc, wchar_t** argv);

// Appends text as one argument that the system's command-line splitting
// (CommandLineToArgvW, the C runtime) turns back into exactly text.
void AppendArgument(std::wstring* command, const std::wstring& text);
// The command line of the uninstaller's second phase: program, then
// /cleanup=<folder> and /waitfor=<handle>.
std::wstring SecondPhaseCommand(const std::wstring& program, const std::wstring& folder,
                                uintptr_t handle);

// Appends the process's command line as one UTF-8 line to the file named by
// the environment variable, when it is set.
void AppendRunLog(const wchar_t* variable);
// The same with how the process was started in front: "flags=<dwFlags>
// show=<wShowWindow>" of its startup information, a tab, the command line.
void AppendStartLog(const wchar_t* variable);
// Appends text (UTF-8) as one line to the file named by the environment
// variable, when it is set.
void AppendLogLine(const wchar_t* variable, std::string text);
// True when the environment variable is set to something other than "" or "0".
bool EnvironmentFlag(const wchar_t* variable);

std::wstring ProgramFiles64();  // without trailing backslash; empty when unknown
std::wstring AppDataFolder();   // without trailing backslash; empty when unknown
std::wstring TempFolder();      // without trailing backslash
std::wstring ModulePath();
std::wstring FolderOf(const std::wstring& path);  // without trailing backslash
std::wstring Join(const std::wstring& folder, const wchar_t* name);

bool IsFolder(const std::wstring& path);

// Values of an open key; the setters return the platform's result codes.
LSTATUS SetTextValue(HKEY key, const wchar_t* name, const std::wstring& value);
LSTATUS SetNumberValue(HKEY key, const wchar_t* name, DWORD value);
bool ReadNumberValue(HKEY key, const wchar_t* name, DWORD* value);
bool ReadTextValue(HKEY key, const wchar_t* name, std::wstring* value);
bool HasValue(HKEY key, const wchar_t* name);

// Reads the record stored with the uninstall entry; an absent entry reads as
// "nothing made".
InstallRecord ReadInstallRecord();

// Undo what the record says was made: the ShellNew entries and the
// application-data folder (only while it is empty: the settings that the
// user's programs keep there are not the install's). Returns false when
// something that exists could not be removed.
bool RemoveShellNewEntries(uint32_t made);
bool RemoveAppDataFolder(const InstallRecord& record);
// Deletes the uninstall key from the 64-bit view; absent counts as done.
bool RemoveUninstallKey();
// Deletes the files an install puts into folder (optionally not the
// uninstaller) and the folder itself when it is then empty.
bool RemoveInstalledFiles(const std::wstring& folder, bool including_uninstaller);

// The confirmation page: a window with the given title, one line of text,
// an accept button and "Cancel". Returns true when the accept button was
// clicked; closing the window or Cancel returns false.
// Client area 360 x 120; accept button at (160, 76) and Cancel at (264, 76),
// both 88 x 28.
bool RunConfirmPage(const wchar_t* title, const wchar_t* text, const wchar_t* accept);

void ShowError(const Switches& switches, const wchar_t* title, const wchar_t* text);

}  // namespace korvex_sample
