// Starting programs, waiting while the window stays alive, special folders
// and opening things through the shell.
#include <windows.h>
#include <shlobj.h>
#include <shellapi.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "commands/commands.h"
#include "commands/library_services.h"
#include "base/handles.h"
#include "runtime/arg_record.h"
#include "runtime/call_protocol.h"
#include "runtime/values.h"

namespace korvex {
namespace {

const char* TextOf(const ArgRecord& r) {
  const char* text = PointerOf<const char>(r);
  return text != nullptr ? text : "";
}

// The record of optional argument `i`, or null when it is missing or omitted.
const ArgRecord* Optional(int32_t count, const ArgRecord* args, int32_t i) {
  return i < count && !IsOmitted(args[i]) ? &args[i] : nullptr;
}

// shell32 is loaded when a command first needs it, from the system folder and
// with its own dependencies from there: imported, it would be loaded with the
// program, before the program restricts the library search, and a library it
// depends on can then come from the program's folder (Wine takes its shcore.dll
// from there). Null when it cannot be loaded; it stays loaded from then on.
HMODULE SystemShell() {
  static bool tried = false;
  static HMODULE shell = nullptr;
  if (tried) return shell;
  tried = true;
  shell = ::LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (shell != nullptr || ::GetLastError() != ERROR_INVALID_PARAMETER) return shell;
  // A system without that search option: by the full path. shell32 is then
  // one of the libraries the system always takes from its own folder, with
  // the libraries it depends on.
  wchar_t path[MAX_PATH + 16];
  const UINT n = ::GetSystemDirectoryW(path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  std::wcscpy(path + n, L"\\shell32.dll");
  shell = ::LoadLibraryW(path);
  return shell;
}

// A function of shell32, or null.
template <typename Function>
Function ShellFunction(const char* name) {
  HMODULE shell = SystemShell();
  FARPROC address = shell != nullptr ? ::GetProcAddress(shell, name) : nullptr;
  Function function;
  static_assert(sizeof function == sizeof address);
  std::memcpy(&function, &address, sizeof function);
  return function;
}

// Show states of RunCmd's show modes 1 to 6.
constexpr WORD kRunShowStates[6] = {SW_HIDE,          SW_SHOWNORMAL,     SW_SHOWMINIMIZED,
                                    SW_SHOWMAXIMIZED, SW_SHOWNOACTIVATE, SW_MINIMIZE};
// Show states of ShellOpenCmd's values 1 to 6 (5 does not activate either,
// but keeps the window's own state).
constexpr INT kShellShowStates[6] = {SW_HIDE,          SW_SHOWNORMAL, SW_SHOWMINIMIZED,
                                     SW_SHOWMAXIMIZED, SW_SHOWNA,     SW_MINIMIZE};
constexpr const char* kShellVerbs[5] = {"edit", "explore", "find", "open", "print"};

// Queue changes that can put a dispatchable message before a queued quit
// message: everything but paint and timer messages.
constexpr DWORD kWakeBehindQuit = QS_INPUT | QS_POSTMESSAGE | QS_HOTKEY | QS_SENDMESSAGE;

// Dispatches waiting messages through the runtime's pump, which the runtime
// hands to the library with its start notification (it stops at a quit
// message and leaves it queued). Nothing is dispatched before the start
// notification or after the end one.
void PumpThroughRuntime() {
  if (ServiceCallback service = LibraryServiceCallback(kSpecialFunctionsLibrary))
    service(kServiceProcessPendingMessages, 0, 0);
}

// Blanks that end an unquoted program name, as the system's own search
// splits a command line.
bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// The first token of a command line: the text between the first pair of
// quotes when it starts with one (up to the end when the quote is not
// closed), otherwise everything up to the first blank.
std::string ProgramToken(const char* line) {
  while (IsBlank(*line)) ++line;
  if (*line == '"') {
    const char* end = ++line;
    while (*end != '\0' && *end != '"') ++end;
    return std::string(line, end);
  }
  const char* end = line;
  while (*end != '\0' && !IsBlank(*end)) ++end;
  return std::string(line, end);
}

// Whether a name holds a folder or drive part, and whether its last part has
// an extension. The second byte of a double-byte character may equal a
// backslash and is stepped over (a quote, a blank, a colon and a dot never
// are one).
struct NameParts {
  bool has_folder = false;
  bool has_extension = false;
};
NameParts PartsOf(const std::string& name) {
  NameParts parts;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (::IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < name.size()) {
      ++i;
      continue;
    }
    if (c == '\\' || c == '/' || c == ':') {
      parts.has_folder = true;
      parts.has_extension = false;
    } else if (c == '.') {
      parts.has_extension = true;
    }
  }
  return parts;
}

bool IsFile(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A system folder (GetSystemDirectoryA, GetSystemWindowsDirectoryA) with
// `name` appended; empty when the folder is unavailable.
using FolderFunction = UINT(WINAPI*)(LPSTR, UINT);
std::string InFolder(FolderFunction folder_of, const std::string& name) {
  char folder[MAX_PATH + 1];
  const UINT n = folder_of(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  std::string path(folder, n);
  if (path.back() != '\\') path += '\\';
  return path + name;
}

// The file that RunCmd starts for a command line, or empty when there is none.
// A bare name (no folder, no drive) is looked for in the system folder and
// then in the Windows folder only, with ".exe" added when it has no
// extension: never beside the calling program or in the current folder, which
// the system's own search tries first and where anyone who can drop a file
// (a downloads folder) could plant one. PATH is not searched either: it holds
// folders of the user's own. A name with a folder part must name the file
// exactly; a relative one is taken from the current folder, as written.
std::string ProgramToStart(const char* line) {
  const std::string token = ProgramToken(line);
  if (token.empty()) return std::string();
  const NameParts parts = PartsOf(token);
  if (!parts.has_folder) {
    const std::string name = parts.has_extension ? token : token + ".exe";
    const FolderFunction kSystemFolders[] = {&::GetSystemDirectoryA, &::GetSystemWindowsDirectoryA};
    for (FolderFunction folder_of : kSystemFolders) {
      const std::string path = InFolder(folder_of, name);
      if (!path.empty() && IsFile(path)) return path;
    }
    return std::string();
  }
  char full[MAX_PATH + 1];
  const DWORD n = ::GetFullPathNameA(token.c_str(), sizeof full, full, nullptr);
  if (n == 0 || n >= sizeof full) return std::string();
  const std::string path(full, n);
  return IsFile(path) ? path : std::string();
}

}  // namespace

void RunCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  SetBoolResult(result, false);
  if (count < 1) return;
  int32_t mode = 2;
  if (const ArgRecord* show = Optional(count, args, 2)) {
    mode = IntOf(*show);
    if (mode > 6) mode = 6;
    if (mode < 1) mode = 1;
  }
  const ArgRecord* wait = Optional(count, args, 1);
  const bool wait_for_end = wait != nullptr && wait->low != 0;

  // The program is named to the platform by its full path, so that no search
  // of the platform's own runs; the program still gets the whole line,
  // unchanged, as its command line (which the platform may write into).
  const std::string program = ProgramToStart(TextOf(args[0]));
  if (program.empty()) return;
  std::string command_line = TextOf(args[0]);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = kRunShowStates[mode - 1];
  PROCESS_INFORMATION started = {};
  if (!::CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
    return;
  }
  KernelHandle thread(started.hThread);
  KernelHandle process(started.hProcess);
  if (wait_for_end) {
    ::WaitForSingleObject(process.Get(), INFINITE);
  } else {
    ::WaitForInputIdle(process.Get(), 1000);
  }
  thread.Close();
  process.Close();
  SetBoolResult(result, true);
}

// Waits the given milliseconds while the window goes on: pending messages
// are dispatched throughout (so other events can run nested), and between
// them the thread sleeps until the next message or the deadline. A quit
// message stays queued and does not end the wait early.
void DelayCmd(ArgRecord*, int32_t count, ArgRecord* args) {
  if (count < 1) return;
  const int32_t milliseconds = IntOf(args[0]);
  if (milliseconds <= 0) return;
  const DWORD deadline = ::GetTickCount() + static_cast<DWORD>(milliseconds);
  for (;;) {
    PumpThroughRuntime();
    // Signed distance: correct across the tick count's wrap-around.
    const int32_t remaining = static_cast<int32_t>(deadline - ::GetTickCount());
    if (remaining < 0) return;
    MSG head;
    const bool waiting = ::PeekMessageA(&head, nullptr, 0, 0, PM_NOREMOVE) != FALSE;
    const DWORD timeout = static_cast<DWORD>(remaining) + 1;
    if (!waiting) {
      ::MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    } else if (head.message == WM_QUIT) {
      // The quit message stays at the head, and the paint and timer messages
      // behind it are never dispatched: waiting for those would return at
      // once, again and again. Wait for new sent, posted and input messages,
      // which may come before it.
      ::MsgWaitForMultipleObjectsEx(0, nullptr, timeout, kWakeBehindQuit, 0);
    }
  }
}

void SpecialFolderCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  if (count < 1) return;
  // Room for a full-length path, the added backslash and the terminator.
  char path[MAX_PATH + 2] = {};
  bool found = false;
  switch (const int32_t id = IntOf(args[0])) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8: {
      constexpr int kFolders[8] = {CSIDL_PERSONAL, CSIDL_FAVORITES, CSIDL_DESKTOPDIRECTORY,
                                   CSIDL_FONTS,    CSIDL_STARTMENU, CSIDL_PROGRAMS,
                                   CSIDL_STARTUP,  CSIDL_APPDATA};
      const auto get_folder =
          ShellFunction<decltype(&::SHGetSpecialFolderPathA)>("SHGetSpecialFolderPathA");
      found = get_folder != nullptr && get_folder(nullptr, path, kFolders[id - 1], FALSE) != FALSE;
      break;
    }
    case 9: {
      const UINT n = ::GetWindowsDirectoryA(path, MAX_PATH);
      found = n > 0 && n < MAX_PATH;
      break;
    }
    case 10: {
      const UINT n = ::GetSystemDirectoryA(path, MAX_PATH);
      found = n > 0 && n < MAX_PATH;
      break;
    }
    case 11: {
      const DWORD n = ::GetTempPathA(MAX_PATH, path);
      found = n > 0 && n < MAX_PATH;
      break;
    }
    default:
      break;
  }
  if (!found) return;
  path[MAX_PATH] = 0;
  int32_t length = TextLength(path);
  if (length == 0) return;
  if (path[length - 1] != '\\') path[length++] = '\\';
  SetPointer(*result, NewText(path, length));
}

void ShellOpenCmd(ArgRecord*, int32_t count, ArgRecord* args) {
  if (count < 2) return;
  const char* verb = nullptr;
  if (const ArgRecord* operation = Optional(count, args, 0)) {
    const int32_t n = IntOf(*operation);
    if (n >= 1 && n <= 5) verb = kShellVerbs[n - 1];
  }
  INT show = SW_SHOWNORMAL;
  if (const ArgRecord* mode = Optional(count, args, 4)) {
    const int32_t n = IntOf(*mode);
    if (n >= 1 && n <= 6) show = kShellShowStates[n - 1];
  }
  const ArgRecord* parameters = Optional(count, args, 2);
  const ArgRecord* folder = Optional(count, args, 3);
  const auto shell_execute = ShellFunction<decltype(&::ShellExecuteA)>("ShellExecuteA");
  if (shell_execute == nullptr) return;
  shell_execute(nullptr, verb, TextOf(args[1]), parameters ? TextOf(*parameters) : nullptr,
                folder ? TextOf(*folder) : "", show);
}

}  // namespace korvex
