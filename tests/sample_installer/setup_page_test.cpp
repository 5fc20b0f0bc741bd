// The setup program's page, seen from another process: it shows even when the
// program is started with a hidden show state (as the front-end's manual
// install starts it), its buttons sit where the end-to-end test clicks, and
// Cancel ends the program with a non-zero code.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// The build tree's path as the Windows side sees it (Wine maps / to Z:).
std::wstring SetupPath() {
  std::string path = KORVEX_SAMPLE_SETUP_EXE;
  std::wstring result;
  if (!path.empty() && path[0] == '/') result = L"Z:";
  for (char c : path) result += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return result;
}

class OwnedProcess {
 public:
  OwnedProcess() = default;
  ~OwnedProcess() {
    if (info_.hProcess != nullptr) {
      if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(info_.hProcess, 9);
      CloseHandle(info_.hProcess);
    }
  }
  OwnedProcess(const OwnedProcess&) = delete;
  OwnedProcess& operator=(const OwnedProcess&) = delete;

  bool Start(const std::wstring& program, WORD show) {
    std::wstring command = L"\"" + program + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info_)) {
      return false;
    }
    CloseHandle(info_.hThread);
    info_.hThread = nullptr;
    return true;
  }
  HANDLE handle() const { return info_.hProcess; }

 private:
  PROCESS_INFORMATION info_ = {};
};

// The page of the given process, once it is visible with its buttons; null
// when the process ended first or a minute went by.
HWND WaitForVisiblePage(HANDLE process) {
  for (int i = 0; i < 600; ++i) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"KorvexSamplePage", L"Korvex")) != nullptr) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner == GetProcessId(process) && IsWindowVisible(window) &&
          FindWindowExW(window, nullptr, L"Button", L"Cancel") != nullptr) {
        return window;
      }
    }
    if (WaitForSingleObject(process, 100) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

RECT ClientRectOf(HWND child, HWND parent) {
  RECT rect = {};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

TEST(SampleSetupPage, ShowsWhenStartedHiddenAndCancelEndsNonZero) {
  SetEnvironmentVariableW(L"KORVEX_SAMPLE_SETUP_FAIL", nullptr);
  OwnedProcess setup;
  ASSERT_TRUE(setup.Start(SetupPath(), SW_HIDE)) << GetLastError();
  HWND page = WaitForVisiblePage(setup.handle());
  ASSERT_NE(page, nullptr) << "no visible page appeared";

  RECT client = {};
  GetClientRect(page, &client);
  EXPECT_EQ(client.right, 360);
  EXPECT_EQ(client.bottom, 120);
  HWND install = FindWindowExW(page, nullptr, L"Button", L"Install");
  HWND cancel = FindWindowExW(page, nullptr, L"Button", L"Cancel");
  ASSERT_NE(install, nullptr);
  ASSERT_NE(cancel, nullptr);
  RECT at = ClientRectOf(install, page);
  EXPECT_EQ(at.left, 160);
  EXPECT_EQ(at.top, 76);
  EXPECT_EQ(at.right - at.left, 88);
  EXPECT_EQ(at.bottom - at.top, 28);
  at = ClientRectOf(cancel, page);
  EXPECT_EQ(at.left, 264);
  EXPECT_EQ(at.top, 76);

  PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(cancel));
  ASSERT_EQ(WaitForSingleObject(setup.handle(), 60000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(setup.handle(), &code);
  EXPECT_EQ(code, 3u);
}

TEST(SampleSetupPage, ForcedFailureEndsWithTwoBeforeAnyPage) {
  SetEnvironmentVariableW(L"KORVEX_SAMPLE_SETUP_FAIL", L"1");
  OwnedProcess setup;
  bool started = setup.Start(SetupPath(), SW_SHOWNORMAL);
  SetEnvironmentVariableW(L"KORVEX_SAMPLE_SETUP_FAIL", nullptr);
  ASSERT_TRUE(started) << GetLastError();
  ASSERT_EQ(WaitForSingleObject(setup.handle(), 60000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(setup.handle(), &code);
  EXPECT_EQ(code, 2u);
}

}  // namespace
