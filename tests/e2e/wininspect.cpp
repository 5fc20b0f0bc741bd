// A small Windows tool for the end-to-end tests: it reads the live windows of
// the program under test and holds files open, printing UTF-8.
//
//   wininspect dump TITLE        the top-level window titled TITLE (UTF-8) and its
//                                child windows, one line each: class|text|enabled|visible|x,y,w,h
//   wininspect wait TITLE SECS   waits until such a window exists (exit 0) or not (exit 1)
//   wininspect gone TITLE SECS   waits until no such window exists (exit 0) or not (exit 1)
//   wininspect hold PATH SECS [delete]
//                                opens PATH without sharing and keeps it open; with
//                                "delete", for deletion only, shared for reading and
//                                deletion (as a program's loader allows)
//   wininspect titles            every visible top-level window's title
//   wininspect close TITLE       posts what the title bar's close button sends
//                                (WM_SYSCOMMAND, SC_CLOSE) to the window titled TITLE
//   wininspect tamper PATH WITH STOP SECS
//                                waits for PATH to exist, then a second, then keeps
//                                trying to put the file WITH in its place as any
//                                program of the user could: overwrite it, delete it,
//                                rename it, copy over it; until the file STOP exists
//                                or SECS have passed. Prints one line per way:
//                                "<way> <attempts> <successes>"
//   wininspect reglink KEY TARGET
//                                makes KEY (HKCU\... or HKLM\...) a registry link
//                                to TARGET, a native key name (\REGISTRY\...)
#include <windows.h>

#include <cstdio>
#include <shellapi.h>

#include <cstdlib>
#include <string>

namespace {

std::string Utf8(const wchar_t* w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
  s.resize(static_cast<size_t>(n - 1));
  return s;
}

std::string TextOf(HWND h) {
  wchar_t buf[1024];
  buf[0] = 0;
  // WM_GETTEXT works across processes for standard controls.
  SendMessageTimeoutW(h, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000,
                      nullptr);
  buf[1023] = 0;
  // One line per window: line breaks inside a text are shown as "\n".
  std::string out;
  for (char c : Utf8(buf)) {
    if (c == '\r') continue;
    if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

void PrintWindow(const char* kind, HWND h, HWND parent) {
  wchar_t cls[256];
  GetClassNameW(h, cls, 256);
  RECT r;
  GetWindowRect(h, &r);
  if (parent) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  std::printf("%s|%s|%s|%d|%d|%ld,%ld,%ld,%ld\n", kind, Utf8(cls).c_str(), TextOf(h).c_str(),
              IsWindowEnabled(h) ? 1 : 0, IsWindowVisible(h) ? 1 : 0, r.left, r.top,
              r.right - r.left, r.bottom - r.top);
}

struct Search {
  std::wstring title;
  HWND found = nullptr;
};

BOOL CALLBACK FindTop(HWND h, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  wchar_t buf[512];
  buf[0] = 0;
  GetWindowTextW(h, buf, 512);
  if (s->title == buf && IsWindowVisible(h)) {
    s->found = h;
    return FALSE;
  }
  return TRUE;
}

HWND FindTitled(const wchar_t* title) {
  Search s;
  s.title = title;
  EnumWindows(FindTop, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

BOOL CALLBACK PrintChild(HWND h, LPARAM parent) {
  if (GetParent(h) == reinterpret_cast<HWND>(parent)) {
    PrintWindow("child", h, reinterpret_cast<HWND>(parent));
  }
  return TRUE;
}

BOOL CALLBACK PrintTitle(HWND h, LPARAM) {
  wchar_t buf[512];
  buf[0] = 0;
  GetWindowTextW(h, buf, 512);
  if (IsWindowVisible(h) && buf[0]) std::printf("%s\n", Utf8(buf).c_str());
  return TRUE;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct Way {
  const char* name;
  int attempts = 0;
  int successes = 0;
};

int Tamper(const std::wstring& target, const std::wstring& with, const std::wstring& stop,
           double seconds) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(seconds * 1000);
  auto timed_out = [end] { return static_cast<LONG>(GetTickCount() - end) > 0; };
  while (!Exists(target) && !timed_out()) Sleep(20);
  Sleep(1000);  // well after the write
  std::string bytes;
  if (FILE* f = _wfopen(with.c_str(), L"rb")) {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
  }
  const std::wstring moved = target + L".moved";
  Way overwrite{"overwrite"}, remove{"delete"}, rename{"rename"}, replace{"replace"};
  while (!Exists(stop) && !timed_out()) {
    ++overwrite.attempts;
    HANDLE f = CreateFileW(target.c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      if (WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
          SetEndOfFile(f)) {
        ++overwrite.successes;
      }
      CloseHandle(f);
    }
    ++remove.attempts;
    if (DeleteFileW(target.c_str())) ++remove.successes;
    ++rename.attempts;
    if (MoveFileExW(target.c_str(), moved.c_str(), 0)) ++rename.successes;
    ++replace.attempts;
    if (CopyFileW(with.c_str(), target.c_str(), FALSE)) ++replace.successes;
    Sleep(20);
  }
  for (const Way* way : {&overwrite, &remove, &rename, &replace}) {
    std::printf("%s %d %d\n", way->name, way->attempts, way->successes);
  }
  return 0;
}

int RegistryLink(const std::wstring& key, const std::wstring& target) {
  HKEY root = nullptr;
  std::wstring path;
  if (key.rfind(L"HKCU\\", 0) == 0) {
    root = HKEY_CURRENT_USER;
  } else if (key.rfind(L"HKLM\\", 0) == 0) {
    root = HKEY_LOCAL_MACHINE;
  } else {
    return 2;
  }
  path = key.substr(5);
  HKEY link = nullptr;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                      KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr) != ERROR_SUCCESS) {
    return 1;
  }
  const LONG set = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                                  reinterpret_cast<const BYTE*>(target.data()),
                                  static_cast<DWORD>(target.size() * sizeof(wchar_t)));
  RegCloseKey(link);
  return set == ERROR_SUCCESS ? 0 : 1;
}

bool WaitFor(const wchar_t* title, double seconds, bool present) {
  DWORD end = GetTickCount() + static_cast<DWORD>(seconds * 1000);
  for (;;) {
    if ((FindTitled(title) != nullptr) == present) return true;
    if (static_cast<LONG>(GetTickCount() - end) > 0) return false;
    Sleep(100);
  }
}

}  // namespace

int main() {
  // Arguments as the system passed them, in UTF-16 (titles are Chinese).
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring cmd = argc >= 2 ? argv[1] : L"";
  if (argc >= 3 && cmd == L"dump") {
    HWND h = FindTitled(argv[2]);
    if (!h) return 1;
    PrintWindow("window", h, nullptr);
    EnumChildWindows(h, PrintChild, reinterpret_cast<LPARAM>(h));
    return 0;
  }
  if (argc >= 4 && (cmd == L"wait" || cmd == L"gone")) {
    return WaitFor(argv[2], _wtof(argv[3]), cmd == L"wait") ? 0 : 1;
  }
  if (argc >= 4 && cmd == L"hold") {
    const bool for_deletion = argc >= 5 && std::wstring(argv[4]) == L"delete";
    HANDLE f = for_deletion ? CreateFileW(argv[2], DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, 0, nullptr)
                            : CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 1;
    std::printf("holding\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(_wtof(argv[3]) * 1000));
    CloseHandle(f);
    return 0;
  }
  if (argc >= 3 && cmd == L"close") {
    HWND h = FindTitled(argv[2]);
    if (!h) return 1;
    return PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
  }
  if (argc >= 6 && cmd == L"tamper") {
    return Tamper(argv[2], argv[3], argv[4], _wtof(argv[5]));
  }
  if (argc >= 4 && cmd == L"reglink") {
    return RegistryLink(argv[2], argv[3]);
  }
  if (cmd == L"titles") {
    EnumWindows(PrintTitle, 0);
    return 0;
  }
  std::fprintf(stderr, "usage: wininspect dump|wait|gone|hold|titles|close|tamper|reglink ...\n");
  return 2;
}
