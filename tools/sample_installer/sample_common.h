// Pieces shared by the sample setup program and its uninstaller: switches,
// the run log, folders, registry owners, the record of what an install made,
// and the small confirmation page both programs show.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace korvex_sample {

// A growable UTF-16 text. The programs use no C++ exceptions, and the
// standard strings would bring the exception machinery into two otherwise
// small executables; an allocation failure ends the process instead.
class WideText {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);

  WideText() = default;
  WideText(const wchar_t* text);  // NOLINT: implicit like a literal
  WideText(const wchar_t* text, size_t count);
  WideText(const WideText& other) : WideText(other.c_str(), other.size_) {}
  WideText(WideText&& other) noexcept;
  WideText& operator=(const WideText& other);
  WideText& operator=(WideText&& other) noexcept;
  ~WideText();

  const wchar_t* c_str() const { return data_ != nullptr ? data_ : L""; }
  wchar_t* data() { return data_; }  // size() characters, then a NUL
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  wchar_t back() const { return data_[size_ - 1]; }
  void pop_back() { data_[--size_] = L'\0'; }
  void resize(size_t count);  // new characters are NUL
  size_t find(wchar_t c) const;
  size_t rfind_any(const wchar_t* set) const;  // last position of any of set
  WideText substr(size_t from, size_t count = npos) const;

  WideText& operator+=(const WideText& other) { return Append(other.c_str(), other.size_); }
  WideText& operator+=(const wchar_t* text);
  WideText& operator+=(wchar_t c) { return Append(&c, 1); }
  WideText& Append(const wchar_t* text, size_t count);

  friend WideText operator+(WideText a, const WideText& b) { return a += b; }
  friend WideText operator+(WideText a, const wchar_t* b) { return a += b; }
  friend WideText operator+(const wchar_t* a, const WideText& b) { return WideText(a) += b; }
  bool operator==(const wchar_t* other) const;

 private:
  void Reserve(size_t count);

  wchar_t* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

// Decimal digits of a number.
WideText DecimalText(uintptr_t value);

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
  WideText cleanup_folder;
  uintptr_t wait_handle = 0;
};
Switches ParseSwitches(int argc, wchar_t** argv);

// Appends text as one argument that the system's command-line splitting
// (CommandLineToArgvW, the C runtime) turns back into exactly text.
void AppendArgument(WideText* command, const WideText& text);
// The command line of the uninstaller's second phase: program, then
// /cleanup=<folder> and /waitfor=<handle>.
WideText SecondPhaseCommand(const WideText& program, const WideText& folder, uintptr_t handle);

// Appends the process's command line as one UTF-8 line to the file named by
// the environment variable, when it is set.
void AppendRunLog(const wchar_t* variable);
// True when the environment variable is set to something other than "" or "0".
bool EnvironmentFlag(const wchar_t* variable);

WideText ProgramFiles64();  // without trailing backslash; empty when unknown
WideText AppDataFolder();   // without trailing backslash; empty when unknown
WideText TempFolder();      // without trailing backslash
WideText ModulePath();
WideText FolderOf(const WideText& path);  // without trailing backslash
WideText Join(const WideText& folder, const wchar_t* name);

bool WriteWholeFile(const WideText& path, const void* data, size_t size);
bool IsFolder(const WideText& path);

// One owner per open registry key.
class RegKey {
 public:
  RegKey() = default;
  ~RegKey() { Close(); }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  // Return the platform's result codes.
  LSTATUS Open(HKEY parent, const wchar_t* path, REGSAM access);
  LSTATUS Create(HKEY parent, const wchar_t* path, REGSAM access, bool* created = nullptr);
  void Close();
  HKEY get() const { return key_; }

  LSTATUS SetText(const wchar_t* name, const WideText& value);
  LSTATUS SetNumber(const wchar_t* name, DWORD value);
  bool ReadNumber(const wchar_t* name, DWORD* value) const;
  bool ReadText(const wchar_t* name, WideText* value) const;
  bool HasValue(const wchar_t* name) const;

 private:
  HKEY key_ = nullptr;
};

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
bool RemoveInstalledFiles(const WideText& folder, bool including_uninstaller);

// The confirmation page: a window with the given title, one line of text,
// an accept button and "Cancel". Returns true when the accept button was
// clicked; closing the window or Cancel returns false.
// Client area 360 x 120; accept button at (160, 76) and Cancel at (264, 76),
// both 88 x 28.
bool RunConfirmPage(const wchar_t* title, const wchar_t* text, const wchar_t* accept);

void ShowError(const Switches& switches, const wchar_t* title, const wchar_t* text);

}  // namespace korvex_sample
