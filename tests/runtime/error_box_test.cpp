// The error box as the system shows it, read back from its window: the code
// page 936 texts read correctly whatever the system code page is (the tests
// run once with 936 and once with 1252; KORVEX_EXPECT_ACP names which).
#include <windows.h>

#include <cstdlib>
#include <string>

#include "tests/runtime/runtime_test_support.h"

namespace korvex {
namespace {

struct BoxSeen {
  std::wstring title;
  std::wstring texts;  // the texts of its static controls, one after another
  bool found = false;
};
BoxSeen g_box;

BOOL CALLBACK CollectStatic(HWND child, LPARAM) {
  wchar_t cls[32] = {};
  GetClassNameW(child, cls, 32);
  if (lstrcmpiW(cls, L"Static") == 0) {
    wchar_t text[1024] = {};
    GetWindowTextW(child, text, 1024);
    g_box.texts += text;
  }
  return TRUE;
}

BOOL CALLBACK FindBox(HWND window, LPARAM) {
  wchar_t cls[16] = {};
  GetClassNameW(window, cls, 16);
  if (lstrcmpW(cls, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  wchar_t title[64] = {};
  GetWindowTextW(window, title, 64);
  g_box.title = title;
  EnumChildWindows(window, CollectStatic, 0);
  g_box.found = true;
  PostMessageW(window, WM_COMMAND, IDOK, 0);
  return FALSE;
}

// Runs inside the box's own message loop until the box is there.
void CALLBACK ReadAndCloseBox(HWND, UINT, UINT_PTR timer, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), FindBox, 0);
  if (g_box.found) KillTimer(nullptr, timer);
}

TEST(ErrorBox, ShowsTheTextsOnAnySystemCodePage) {
  if (const char* acp = std::getenv("KORVEX_EXPECT_ACP")) {
    EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(acp)));
  }
  ResetProgramEndForTesting();
  testing::TrapProgramEnd();
  SetMessageBoxForTesting(nullptr);  // the system's box
  g_box = BoxSeen{};
  UINT_PTR timer = SetTimer(nullptr, 0, 50, ReadAndCloseBox);
  ASSERT_NE(timer, 0u);
  EXPECT_TRUE(testing::RunToEnd([&] { RaiseCodedError(kErrTypeMismatch, 0, 0); }).ended());
  if (!g_box.found) KillTimer(nullptr, timer);
  SetMessageBoxForTesting(testing::CapturingBox);
  ResetProgramEndForTesting();

  ASSERT_TRUE(g_box.found);
  EXPECT_EQ(g_box.title, L"\u9519\u8BEF");  // 错误
  // 运行时出错! ... 错误代码：5 ... 错误信息：数据或数组类型不匹配
  EXPECT_NE(g_box.texts.find(L"\u8FD0\u884C\u65F6\u51FA\u9519!"), std::wstring::npos)
      << "box text garbled";
  EXPECT_NE(g_box.texts.find(L"\u9519\u8BEF\u4EE3\u7801\uFF1A5"), std::wstring::npos);
  EXPECT_NE(g_box.texts.find(L"\u6570\u636E\u6216\u6570\u7EC4\u7C7B\u578B\u4E0D\u5339\u914D"),
            std::wstring::npos);
}

}  // namespace
}  // namespace korvex
