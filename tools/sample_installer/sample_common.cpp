#include "sample_common.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

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

WideText EnvironmentValue(const wchar_t* variable) {
  wchar_t small[260];
  DWORD n = GetEnvironmentVariableW(variable, small, 260);
  if (n == 0) return {};
  if (n < 260) return WideText(small, n);
  WideText value;
  value.resize(n);
  DWORD got = GetEnvironmentVariableW(variable, value.data(), n);
  if (got == 0 || got >= n) return {};
  value.resize(got);
  return value;
}

WideText ShellFolder(int csidl) {
  wchar_t path[MAX_PATH];
  if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return {};
  WideText result(path);
  while (result.size() > 3 && result.back() == L'\\') result.pop_back();
  return result;
}

WideText ExtensionKey(const ShellNewEntry& entry) {
  return WideText(entry.classes) + L"\\" + entry.extension;
}

bool Gone(LSTATUS status) {
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ||
         status == ERROR_PATH_NOT_FOUND;
}

bool KeyIsEmpty(HKEY parent, const WideText& path) {
  RegKey key;
  if (key.Open(parent, path.c_str(), KEY_READ) != ERROR_SUCCESS) return false;
  DWORD subkeys = 0, values = 0;
  if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return subkeys == 0 && values == 0;
}

bool DeleteFileIfPresent(const WideText& path) {
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

WideText::WideText(const wchar_t* text) {
  *this += text;
}

WideText::WideText(const wchar_t* text, size_t count) {
  Append(text, count);
}

WideText::WideText(WideText&& other) noexcept
    : data_(other.data_), size_(other.size_), capacity_(other.capacity_) {
  other.data_ = nullptr;
  other.size_ = other.capacity_ = 0;
}

WideText& WideText::operator=(const WideText& other) {
  if (this != &other) {
    resize(0);
    Append(other.c_str(), other.size_);
  }
  return *this;
}

WideText& WideText::operator=(WideText&& other) noexcept {
  if (this != &other) {
    free(data_);
    data_ = other.data_;
    size_ = other.size_;
    capacity_ = other.capacity_;
    other.data_ = nullptr;
    other.size_ = other.capacity_ = 0;
  }
  return *this;
}

WideText::~WideText() {
  free(data_);
}

void WideText::Reserve(size_t count) {
  if (count < capacity_) return;
  if (count >= 0x10000000) ExitProcess(1);  // no text of these programs comes near
  size_t capacity = capacity_ < 32 ? 32 : capacity_;
  while (capacity <= count) capacity *= 2;
  void* grown = realloc(data_, capacity * sizeof(wchar_t));
  if (grown == nullptr) ExitProcess(1);
  data_ = static_cast<wchar_t*>(grown);
  capacity_ = capacity;
}

void WideText::resize(size_t count) {
  Reserve(count);
  if (count > size_) wmemset(data_ + size_, L'\0', count - size_);
  size_ = count;
  data_[size_] = L'\0';
}

size_t WideText::find(wchar_t c) const {
  for (size_t i = 0; i < size_; ++i) {
    if (data_[i] == c) return i;
  }
  return npos;
}

size_t WideText::rfind_any(const wchar_t* set) const {
  for (size_t i = size_; i > 0; --i) {
    if (wcschr(set, data_[i - 1]) != nullptr) return i - 1;
  }
  return npos;
}

WideText WideText::substr(size_t from, size_t count) const {
  if (from >= size_) return {};
  if (count > size_ - from) count = size_ - from;
  return WideText(data_ + from, count);
}

WideText& WideText::operator+=(const wchar_t* text) {
  return Append(text, wcslen(text));
}

WideText& WideText::Append(const wchar_t* text, size_t count) {
  if (count > 0x10000000 || size_ > 0x10000000) ExitProcess(1);
  // The text may lie in this very buffer (t += t), which growing moves.
  const auto at = reinterpret_cast<uintptr_t>(text);
  const auto begin = reinterpret_cast<uintptr_t>(data_);
  const bool inside = data_ != nullptr && at >= begin && at < begin + capacity_ * sizeof(wchar_t);
  const size_t offset = inside ? (at - begin) / sizeof(wchar_t) : 0;
  Reserve(size_ + count);
  if (inside) text = data_ + offset;
  wmemmove(data_ + size_, text, count);
  size_ += count;
  data_[size_] = L'\0';
  return *this;
}

bool WideText::operator==(const wchar_t* other) const {
  return wcscmp(c_str(), other) == 0;
}

WideText DecimalText(uintptr_t value) {
  wchar_t digits[24];
  size_t n = sizeof(digits) / sizeof(digits[0]);
  size_t at = n;
  do {
    digits[--at] = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  return WideText(digits + at, n - at);
}

const ShellNewEntry& ShellNewAt(int index) {
  return kShellNewEntries[index];
}

Switches ParseSwitches(int argc, wchar_t** argv) {
  Switches s;
  for (int i = 1; i < argc; ++i) {
    const wchar_t* arg = argv[i];
    if (arg[0] != L'/' && arg[0] != L'-') continue;
    WideText name(arg + 1);
    WideText value;
    size_t eq = name.find(L'=');
    if (eq != WideText::npos) {
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

void AppendArgument(WideText* command, const WideText& text) {
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

WideText SecondPhaseCommand(const WideText& program, const WideText& folder, uintptr_t handle) {
  WideText command;
  AppendArgument(&command, program);
  AppendArgument(&command, L"/cleanup=" + folder);
  command += L" /waitfor=";
  command += DecimalText(handle);
  return command;
}

void AppendRunLog(const wchar_t* variable) {
  WideText path = EnvironmentValue(variable);
  if (path.empty()) return;
  const wchar_t* line = GetCommandLineW();
  int wide = static_cast<int>(wcslen(line));
  int bytes = WideCharToMultiByte(CP_UTF8, 0, line, wide, nullptr, 0, nullptr, nullptr);
  if (bytes < 0) bytes = 0;
  char* text = static_cast<char*>(malloc(static_cast<size_t>(bytes) + 2));
  if (text == nullptr) return;
  if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, line, wide, text, bytes, nullptr, nullptr);
  memcpy(text + bytes, "\r\n", 2);
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(bytes) + 2, &written, nullptr);
    CloseHandle(file);
  }
  free(text);
}

bool EnvironmentFlag(const wchar_t* variable) {
  WideText value = EnvironmentValue(variable);
  return !value.empty() && value != L"0";
}

WideText ProgramFiles64() {
  // A 32-bit process under WOW64 sees the 32-bit folder as %ProgramFiles%;
  // ProgramW6432 names the 64-bit one (and is absent on 32-bit systems).
  WideText folder = EnvironmentValue(L"ProgramW6432");
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  if (!folder.empty()) return folder;
  return ShellFolder(CSIDL_PROGRAM_FILES);
}

WideText AppDataFolder() {
  return ShellFolder(CSIDL_APPDATA);
}

WideText TempFolder() {
  wchar_t path[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, path);
  if (n == 0 || n > MAX_PATH) return L".";
  WideText result(path, n);
  while (result.size() > 3 && result.back() == L'\\') result.pop_back();
  return result;
}

WideText ModulePath() {
  WideText path;
  path.resize(MAX_PATH);
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

WideText FolderOf(const WideText& path) {
  size_t slash = path.rfind_any(L"\\/");
  if (slash == WideText::npos) return L".";
  return path.substr(0, slash);
}

WideText Join(const WideText& folder, const wchar_t* name) {
  WideText result = folder;
  if (!result.empty() && result.back() != L'\\') result += L'\\';
  result += name;
  return result;
}

bool WriteWholeFile(const WideText& path, const void* data, size_t size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const auto* bytes = static_cast<const unsigned char*>(data);
  bool ok = true;
  while (size > 0 && ok) {
    DWORD chunk = size > 0x100000 ? 0x100000 : static_cast<DWORD>(size);
    DWORD written = 0;
    ok = WriteFile(file, bytes, chunk, &written, nullptr) && written == chunk;
    bytes += chunk;
    size -= chunk;
  }
  if (!CloseHandle(file)) ok = false;
  if (!ok) DeleteFileW(path.c_str());
  return ok;
}

bool IsFolder(const WideText& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

LSTATUS RegKey::Open(HKEY parent, const wchar_t* path, REGSAM access) {
  Close();
  LSTATUS status = RegOpenKeyExW(parent, path, 0, access, &key_);
  if (status != ERROR_SUCCESS) key_ = nullptr;
  return status;
}

LSTATUS RegKey::Create(HKEY parent, const wchar_t* path, REGSAM access, bool* created) {
  Close();
  DWORD disposition = 0;
  LSTATUS status = RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                   nullptr, &key_, &disposition);
  if (status != ERROR_SUCCESS) key_ = nullptr;
  if (created != nullptr) *created = status == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY;
  return status;
}

void RegKey::Close() {
  if (key_ != nullptr) RegCloseKey(key_);
  key_ = nullptr;
}

LSTATUS RegKey::SetText(const wchar_t* name, const WideText& value) {
  return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LSTATUS RegKey::SetNumber(const wchar_t* name, DWORD value) {
  return RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof(value));
}

bool RegKey::ReadNumber(const wchar_t* name, DWORD* value) const {
  DWORD type = 0, size = sizeof(DWORD), data = 0;
  if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(DWORD)) {
    return false;
  }
  *value = data;
  return true;
}

bool RegKey::ReadText(const wchar_t* name, WideText* value) const {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return false;
  }
  WideText text;
  text.resize(size / sizeof(wchar_t) + 1);
  DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &got) !=
      ERROR_SUCCESS) {
    return false;
  }
  text.resize(got / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  *value = text;
  return true;
}

bool RegKey::HasValue(const wchar_t* name) const {
  return RegQueryValueExW(key_, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

InstallRecord ReadInstallRecord() {
  InstallRecord record;
  RegKey key;
  if (key.Open(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_QUERY_VALUE | KEY_WOW64_64KEY) !=
      ERROR_SUCCESS) {
    return record;
  }
  DWORD value = 0;
  if (key.ReadNumber(kShellNewMadeValue, &value)) record.shell_new = value;
  if (key.ReadNumber(kAppDataMadeValue, &value)) record.app_data_folder = value != 0;
  return record;
}

bool RemoveShellNewEntries(uint32_t made) {
  bool ok = true;
  for (int i = 0; i < kShellNewCount; ++i) {
    const ShellNewEntry& entry = ShellNewAt(i);
    WideText extension = ExtensionKey(entry);
    WideText shell_new = extension + L"\\ShellNew";
    if (made & ShellNewBits(i, kMadeShellNew)) {
      if (!Gone(RegDeleteTreeW(entry.root, shell_new.c_str()))) ok = false;
    } else if (made & ShellNewBits(i, kMadeNullFile)) {
      RegKey key;
      LSTATUS status = key.Open(entry.root, shell_new.c_str(), KEY_SET_VALUE);
      if (status == ERROR_SUCCESS) status = RegDeleteValueW(key.get(), L"NullFile");
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
  WideText app_data = AppDataFolder();
  if (app_data.empty()) return false;
  WideText folder = Join(app_data, kProductFolder);
  if (RemoveDirectoryW(folder.c_str())) return true;
  DWORD error = GetLastError();
  // A folder that still holds files stays, and that is not a failure.
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_DIR_NOT_EMPTY;
}

bool RemoveUninstallKey() {
  return Gone(RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_64KEY, 0));
}

bool RemoveInstalledFiles(const WideText& folder, bool including_uninstaller) {
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
  WNDCLASSEXW cls = {};
  cls.cbSize = sizeof(cls);
  cls.lpfnWndProc = PageProc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.lpszClassName = L"KorvexSamplePage";
  if (RegisterClassExW(&cls) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;

  PageState state;
  HWND window = CreateWindowExW(0, cls.lpszClassName, title, style, x, y, width, height, nullptr,
                                nullptr, instance, &state);
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
