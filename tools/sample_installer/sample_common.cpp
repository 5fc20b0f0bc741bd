#include "sample_common.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cwchar>
#include <string>
#include <string_view>

#include "base/cxx_runtime.h"
#include "base/text_format.h"
#include "base/window_class.h"
#include "exit_codes.h"

// Both programs end at once with their failure code when the heap fails them
// or the C++ library reports an error: nothing in them comes near that. Never
// an abort, whose box would stall an unattended run.
void korvex::HandleAllocationFailure(size_t) {
  ExitProcess(korvex_sample::kExitFailed);
}
void korvex::HandleLibraryError(const char*) {
  ExitProcess(korvex_sample::kExitFailed);
}

namespace korvex_sample {
namespace {

const ShellNewEntry kShellNewEntries[kShellNewCount] = {
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes", L".7z"},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes", L".rar"},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes", L".zip"},
    {HKEY_CURRENT_USER, L"Software\\Classes", L".7z"},
    {HKEY_CURRENT_USER, L"Software\\Classes", L".rar"},
    {HKEY_CURRENT_USER, L"Software\\Classes", L".zip"},
};

bool SameText(const wchar_t* a, const wchar_t* b) {
  return _wcsicmp(a, b) == 0;
}

std::wstring EnvironmentValue(const wchar_t* variable) {
  wchar_t small[260];
  DWORD n = GetEnvironmentVariableW(variable, small, 260);
  if (n == 0) return {};
  if (n < 260) return std::wstring(small, n);
  std::wstring value(n, L'\0');
  DWORD got = GetEnvironmentVariableW(variable, value.data(), n);
  if (got == 0 || got >= n) return {};
  value.resize(got);
  return value;
}

std::wstring ShellFolder(int csidl) {
  wchar_t path[MAX_PATH];
  if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return {};
  std::wstring result(path);
  while (result.size() > 3 && result.back() == L'\\') result.pop_back();
  return result;
}

std::wstring ExtensionKey(const ShellNewEntry& entry) {
  return std::wstring(entry.classes) + L"\\" + entry.extension;
}

bool Gone(LSTATUS status) {
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ||
         status == ERROR_PATH_NOT_FOUND;
}

bool KeyIsEmpty(HKEY parent, const std::wstring& path) {
  korvex::RegistryKey key;
  if (key.Open(parent, path.c_str(), KEY_READ) != ERROR_SUCCESS) return false;
  DWORD subkeys = 0, values = 0;
  if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return subkeys == 0 && values == 0;
}

bool DeleteFileIfPresent(const std::wstring& path) {
  if (DeleteFileW(path.c_str())) return true;
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The confirmation page's window procedure; the result goes through the
// window's user data to RunConfirmPage.
constexpr int kAcceptId = IDOK;
constexpr int kCancelId = IDCANCEL;
constexpr int kClientWidth = 360;
constexpr int kClientHeight = 120;

struct PageState {
  bool accepted = false;
  bool done = false;
};

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* state = reinterpret_cast<PageState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_NCCREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_COMMAND:
      if (state != nullptr && HIWORD(wparam) == BN_CLICKED &&
          (LOWORD(wparam) == kAcceptId || LOWORD(wparam) == kCancelId)) {
        state->accepted = LOWORD(wparam) == kAcceptId;
        state->done = true;
        DestroyWindow(window);
        return 0;
      }
      break;
    case WM_CLOSE:
      if (state != nullptr) state->done = true;
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      // No WM_QUIT: the page's loop ends on the flag, and a quit message left
      // in the queue would close the next message box at once.
      if (state != nullptr) state->done = true;
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND AddControl(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y,
                int w, int h, int id) {
  HWND control = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  if (control != nullptr) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 TRUE);
  }
  return control;
}

}  // namespace

std::wstring DecimalText(uintptr_t value) {
  const korvex::DecimalText digits(static_cast<int64_t>(value));
  const std::string_view text = digits.view();
  return std::wstring(text.begin(), text.end());
}

const ShellNewEntry& ShellNewAt(int index) {
  return kShellNewEntries[index];
}

Switches ParseSwitches(int argc, wchar_t** argv) {
  Switches s;
  for (int i = 1; i < argc; ++i) {
    const wchar_t* arg = argv[i];
    if (arg[0] != L'/' && arg[0] != L'-') continue;
    std::wstring name(arg + 1);
    std::wstring value;
    size_t eq = name.find(L'=');
    if (eq != std::wstring::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    if (SameText(name.c_str(), L"verysilent")) {
      s.very_silent = true;
    } else if (SameText(name.c_str(), L"silent")) {
      s.silent = true;
    } else if (SameText(name.c_str(), L"suppressmsgboxes")) {
      s.suppress_message_boxes = true;
    } else if (SameText(name.c_str(), L"norestart")) {
      s.no_restart = true;
    } else if (SameText(name.c_str(), L"sp-")) {
      s.no_startup_prompt = true;
    } else if (SameText(name.c_str(), L"cleanup") && !value.empty()) {
      s.cleanup_folder = value;
    } else if (SameText(name.c_str(), L"waitfor") && !value.empty()) {
      wchar_t* end = nullptr;
      unsigned long handle = wcstoul(value.c_str(), &end, 10);
      if (end != nullptr && *end == L'\0') s.wait_handle = handle;
    }
  }
  return s;
}

void AppendArgument(std::wstring* command, const std::wstring& text) {
  if (!command->empty()) *command += L' ';
  *command += L'"';
  size_t backslashes = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text.c_str()[i];
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled and the quote escaped; elsewhere
    // they stand for themselves.
    size_t count = c == L'"' ? backslashes * 2 + 1 : backslashes;
    for (size_t k = 0; k < count; ++k) *command += L'\\';
    backslashes = 0;
    *command += c;
  }
  // Before the closing quote they are doubled as well.
  for (size_t k = 0; k < backslashes * 2; ++k) *command += L'\\';
  *command += L'"';
}

std::wstring SecondPhaseCommand(const std::wstring& program, const std::wstring& folder,
                                uintptr_t handle) {
  std::wstring command;
  AppendArgument(&command, program);
  AppendArgument(&command, L"/cleanup=" + folder);
  command += L" /waitfor=";
  command += DecimalText(handle);
  return command;
}

namespace {

// The process's command line, UTF-8.
std::string CommandLineText() {
  const wchar_t* line = GetCommandLineW();
  int wide = static_cast<int>(wcslen(line));
  int bytes = WideCharToMultiByte(CP_UTF8, 0, line, wide, nullptr, 0, nullptr, nullptr);
  if (bytes < 0) bytes = 0;
  std::string text(static_cast<size_t>(bytes), '\0');
  if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, line, wide, text.data(), bytes, nullptr, nullptr);
  return text;
}

}  // namespace

void AppendLogLine(const wchar_t* variable, std::string text) {
  std::wstring path = EnvironmentValue(variable);
  if (path.empty()) return;
  text += "\r\n";
  korvex::KernelHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.IsValid()) {
    DWORD written = 0;
    WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

void AppendRunLog(const wchar_t* variable) {
  AppendLogLine(variable, CommandLineText());
}

void AppendStartLog(const wchar_t* variable) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  const korvex::DecimalText flags(static_cast<int64_t>(startup.dwFlags));
  const korvex::DecimalText show(static_cast<int64_t>(startup.wShowWindow));
  AppendLogLine(variable, "flags=" + std::string(flags.view()) +
                              " show=" + std::string(show.view()) + "\t" + CommandLineText());
}

bool EnvironmentFlag(const wchar_t* variable) {
  std::wstring value = EnvironmentValue(variable);
  return !value.empty() && value != L"0";
}

std::wstring ProgramFiles64() {
  // A 32-bit process under WOW64 sees the 32-bit folder as %ProgramFiles%;
  // ProgramW6432 names the 64-bit one (and is absent on 32-bit systems).
  std::wstring folder = EnvironmentValue(L"ProgramW6432");
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  if (!folder.empty()) return folder;
  return ShellFolder(CSIDL_PROGRAM_FILES);
}

std::wstring AppDataFolder() {
  return ShellFolder(CSIDL_APPDATA);
}

std::wstring TempFolder() {
  wchar_t path[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, path);
  if (n == 0 || n > MAX_PATH) return L".";
  std::wstring result(path, n);
  while (result.size() > 3 && result.back() == L'\\') result.pop_back();
  return result;
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring FolderOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return L".";
  return path.substr(0, slash);
}

std::wstring Join(const std::wstring& folder, const wchar_t* name) {
  std::wstring result = folder;
  if (!result.empty() && result.back() != L'\\') result += L'\\';
  result += name;
  return result;
}

bool IsFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

LSTATUS SetTextValue(HKEY key, const wchar_t* name, const std::wstring& value) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LSTATUS SetNumberValue(HKEY key, const wchar_t* name, DWORD value) {
  return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof(value));
}

bool ReadNumberValue(HKEY key, const wchar_t* name, DWORD* value) {
  DWORD type = 0, size = sizeof(DWORD), data = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(DWORD)) {
    return false;
  }
  *value = data;
  return true;
}

bool ReadTextValue(HKEY key, const wchar_t* name, std::wstring* value) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return false;
  }
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &got) !=
      ERROR_SUCCESS) {
    return false;
  }
  text.resize(got / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  *value = text;
  return true;
}

bool HasValue(HKEY key, const wchar_t* name) {
  return RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

InstallRecord ReadInstallRecord() {
  InstallRecord record;
  korvex::RegistryKey key;
  if (key.Open(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_QUERY_VALUE | KEY_WOW64_64KEY) !=
      ERROR_SUCCESS) {
    return record;
  }
  DWORD value = 0;
  if (ReadNumberValue(key.Get(), kShellNewMadeValue, &value)) record.shell_new = value;
  if (ReadNumberValue(key.Get(), kAppDataMadeValue, &value)) record.app_data_folder = value != 0;
  return record;
}

bool RemoveShellNewEntries(uint32_t made) {
  bool ok = true;
  for (int i = 0; i < kShellNewCount; ++i) {
    const ShellNewEntry& entry = ShellNewAt(i);
    std::wstring extension = ExtensionKey(entry);
    std::wstring shell_new = extension + L"\\ShellNew";
    if (made & ShellNewBits(i, kMadeShellNew)) {
      if (!Gone(RegDeleteTreeW(entry.root, shell_new.c_str()))) ok = false;
    } else if (made & ShellNewBits(i, kMadeNullFile)) {
      korvex::RegistryKey key;
      LSTATUS status = key.Open(entry.root, shell_new.c_str(), KEY_SET_VALUE);
      if (status == ERROR_SUCCESS) status = RegDeleteValueW(key.Get(), L"NullFile");
      if (!Gone(status)) ok = false;
    }
    // The extension key goes only when nothing else has come to live in it.
    if ((made & ShellNewBits(i, kMadeExtension)) && KeyIsEmpty(entry.root, extension)) {
      if (!Gone(RegDeleteKeyW(entry.root, extension.c_str()))) ok = false;
    }
  }
  return ok;
}

bool RemoveAppDataFolder(const InstallRecord& record) {
  if (!record.app_data_folder) return true;
  std::wstring app_data = AppDataFolder();
  if (app_data.empty()) return false;
  std::wstring folder = Join(app_data, kProductFolder);
  if (RemoveDirectoryW(folder.c_str())) return true;
  DWORD error = GetLastError();
  // A folder that still holds files stays, and that is not a failure.
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_DIR_NOT_EMPTY;
}

bool RemoveUninstallKey() {
  return Gone(RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_64KEY, 0));
}

bool RemoveInstalledFiles(const std::wstring& folder, bool including_uninstaller) {
  bool ok = DeleteFileIfPresent(Join(folder, kReadmeName));
  if (including_uninstaller) {
    if (!DeleteFileIfPresent(Join(folder, kUninstallerName))) ok = false;
    if (!RemoveDirectoryW(folder.c_str())) {
      DWORD error = GetLastError();
      if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) ok = false;
    }
  }
  return ok;
}

bool RunConfirmPage(const wchar_t* title, const wchar_t* text, const wchar_t* accept) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  constexpr wchar_t kPageClass[] = L"KorvexSamplePage";
  if (!korvex::RegisterWindowClass({.name = kPageClass,
                                    .procedure = PageProc,
                                    .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)}))
    return false;

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;

  PageState state;
  HWND window = CreateWindowExW(0, kPageClass, title, style, x, y, width, height, nullptr, nullptr,
                                instance, &state);
  if (window == nullptr) return false;
  AddControl(window, L"STATIC", text, SS_LEFT, 16, 16, kClientWidth - 32, 48, -1);
  HWND accept_button = AddControl(window, L"BUTTON", accept, WS_TABSTOP | BS_DEFPUSHBUTTON, 160, 76,
                                  88, 28, kAcceptId);
  AddControl(window, L"BUTTON", L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, 264, 76, 88, 28, kCancelId);
  // The first ShowWindow of a process takes the show state its starter asked
  // for instead; started hidden (the front-end runs installers with a hidden
  // show state), the page would wait unseen for a click. A second call counts.
  ShowWindow(window, SW_SHOWNORMAL);
  if (!IsWindowVisible(window)) ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  if (accept_button != nullptr) SetFocus(accept_button);

  MSG message;
  while (!state.done && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  if (IsWindow(window)) DestroyWindow(window);
  return state.accepted;
}

void ShowError(const Switches& switches, const wchar_t* title, const wchar_t* text) {
  if (switches.suppress_message_boxes || switches.very_silent || switches.silent) return;
  MessageBoxW(nullptr, text, title, MB_OK | MB_ICONERROR);
}

}  // namespace korvex_sample
