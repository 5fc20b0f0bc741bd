// The native registry read against the real platform: the program's declared
// functions bound by the runtime, the real byte-set commands and the registry
// of the Wine prefix (64-bit, so both views exist).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/command_calls.h"
#include "app/routines.h"
#include "commands/command_ids.h"
#include "runtime/call_protocol.h"
#include "runtime/declared_functions.h"
#include "runtime/values.h"
#include "tests/runtime/runtime_test_support.h"

namespace korvex::test {
namespace {

using DeclaredEntry = decltype(RuntimeEntryTable::call_declared);
using DeclaredResult = decltype(Runtime().call_declared(0, 0, nullptr, 0, 0, 0));
DeclaredEntry g_real_call = nullptr;
int g_calls[kDeclaredFunctionCount] = {};

// Counts the calls per declared function and passes them on.
DeclaredResult CountingCall(int32_t index, int32_t argc, const app::DeclaredArg* argv,
                            int32_t caller_cleans, uint32_t location, int32_t line) {
  if (index >= 0 && index < kDeclaredFunctionCount) ++g_calls[index];
  return g_real_call(index, argc, argv, caller_cleans, location, line);
}

std::wstring TestRoot() {
  return L"SOFTWARE\\KorvexAppTest" + std::to_wstring(GetCurrentProcessId());
}
std::wstring TestKey(const wchar_t* leaf) {
  return TestRoot() + L"\\" + leaf;
}
std::string Narrow(const std::wstring& ascii) {
  return std::string(ascii.begin(), ascii.end());
}

// Writes a value into one view of HKEY_LOCAL_MACHINE.
void WriteValue(REGSAM view, const std::wstring& key, const wchar_t* name, DWORD type,
                const void* data, DWORD bytes) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                            nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(handle, name, 0, type, static_cast<const BYTE*>(data), bytes),
            ERROR_SUCCESS);
  RegCloseKey(handle);
}
void WriteText(REGSAM view, const std::wstring& key, const wchar_t* name, const std::wstring& text,
               bool terminated = true) {
  WriteValue(view, key, name, REG_SZ, text.c_str(),
             static_cast<DWORD>((text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t)));
}
void DeleteKey(REGSAM view, const std::wstring& key) {
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), view, 0);
}

class RegistryReadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitDeclaredFunctions(kDeclaredFunctionCount, DeclaredModuleNames, DeclaredFunctionNames);
    g_real_call = Runtime().call_declared;
    SetLibraryTable(ProgramLibraryTable, kLibraryCount);
  }
  static void TearDownTestSuite() {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
      DeleteKey(view, TestKey(L"64"));
      DeleteKey(view, TestKey(L"32"));
      DeleteKey(view, TestRoot());
    }
    SetLibraryTable(nullptr, 0);
  }
  void SetUp() override {
    Runtime().call_declared = CountingCall;
    std::memset(g_calls, 0, sizeof g_calls);
    app::AnsiCodePage = 936;
    live_before_ = LiveAllocationCount();
  }
  void TearDown() override {
    Runtime().call_declared = g_real_call;
    EXPECT_EQ(LiveAllocationCount(), live_before_);
  }

  // ReadRegistryText as a std::string ("" for the null text), freeing the result.
  static std::string Read(const std::wstring& key, const char* name, int32_t use64 = 1) {
    const std::string narrow_key = Narrow(key);
    char* text = app::ReadRegistryText(app::kLocalMachineRoot, narrow_key.c_str(), name, use64, 1);
    std::string result = text != nullptr ? text : "";
    Free(text);
    return result;
  }

  int32_t live_before_ = 0;
};

TEST_F(RegistryReadTest, EveryDeclaredFunctionBinds) {
  for (int32_t i = 0; i < kDeclaredFunctionCount; ++i) {
    EXPECT_NE(BindDeclaredFunction(i), nullptr) << DeclaredFunctionNames[i];
  }
}

TEST_F(RegistryReadTest, FindsAValueOfThe64BitViewButNotOneOnlyInThe32BitView) {
  WriteText(KEY_WOW64_64KEY, TestKey(L"64"), L"InstallLocation", L"C:\\Program Files\\Korvex\\");
  WriteText(KEY_WOW64_32KEY, TestKey(L"32"), L"InstallLocation", L"C:\\Korvex32\\");

  EXPECT_EQ(Read(TestKey(L"64"), "InstallLocation"), "C:\\Program Files\\Korvex\\");
  EXPECT_EQ(g_calls[app::kRegOpenKeyExW], 1);
  EXPECT_EQ(g_calls[app::kRegCloseKey], 1);

  EXPECT_EQ(Read(TestKey(L"32"), "InstallLocation"), "");
  // The 32-bit view, asked for, has it.
  EXPECT_EQ(Read(TestKey(L"32"), "InstallLocation", 0), "C:\\Korvex32\\");
}

TEST_F(RegistryReadTest, MissingKeyGivesTheEmptyTextAndClosesNothing) {
  EXPECT_EQ(Read(TestKey(L"absent"), "InstallLocation"), "");
  EXPECT_EQ(g_calls[app::kRegOpenKeyExW], 1);
  EXPECT_EQ(g_calls[app::kRegQueryValueExW], 0);
  EXPECT_EQ(g_calls[app::kRegCloseKey], 0);

  // A key without the value is opened, asked once and closed.
  WriteText(KEY_WOW64_64KEY, TestKey(L"64"), L"Other", L"x");
  EXPECT_EQ(Read(TestKey(L"64"), "Missing"), "");
  EXPECT_EQ(g_calls[app::kRegQueryValueExW], 1);
  EXPECT_EQ(g_calls[app::kRegCloseKey], 1);

  // Root 0 asks the platform nothing.
  char* none = app::ReadRegistryText(0, "SOFTWARE", "x", 1, 1);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(g_calls[app::kRegOpenKeyExW], 2);
}

TEST_F(RegistryReadTest, TextStoredWithoutTerminatorIsCutAtItsEnd) {
  WriteText(KEY_WOW64_64KEY, TestKey(L"64"), L"Bare", L"C:\\Bare\\", false);
  EXPECT_EQ(Read(TestKey(L"64"), "Bare"), "C:\\Bare\\");
  WriteText(KEY_WOW64_64KEY, TestKey(L"64"), L"Empty", L"");
  EXPECT_EQ(Read(TestKey(L"64"), "Empty"), "");
}

TEST_F(RegistryReadTest, ConvertsThroughCodePage936) {
  // "中文" is D6 D0 CE C4 in code page 936; Thai ko kai has no place there
  // and comes back as the replacement character.
  WriteText(KEY_WOW64_64KEY, TestKey(L"64"), L"Chinese", L"C:\\\x4E2D\x6587\\");
  EXPECT_EQ(Read(TestKey(L"64"), "Chinese"), "C:\\\xD6\xD0\xCE\xC4\\");
  WriteText(KEY_WOW64_64KEY, TestKey(L"64"), L"Thai",
            L"a\x0E01"
            L"b");
  EXPECT_EQ(Read(TestKey(L"64"), "Thai"), "a?b");

  // A key and a value name in code page 936 reach the registry as UTF-16.
  const std::wstring key = TestKey(L"64") + L"\\\x4E2D";
  WriteText(KEY_WOW64_64KEY, key, L"\x6587", L"ok");
  const std::string narrow_key = Narrow(TestKey(L"64")) + "\\\xD6\xD0";
  char* text = app::ReadRegistryText(app::kLocalMachineRoot, narrow_key.c_str(), "\xCE\xC4", 1, 1);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "ok");
  Free(text);
  DeleteKey(KEY_WOW64_64KEY, key);
}

TEST_F(RegistryReadTest, ValuesOfOtherTypesReadAsUtf16UpToTheFirstZero) {
  const DWORD number = 0x00420041;  // "AB" as UTF-16
  WriteValue(KEY_WOW64_64KEY, TestKey(L"64"), L"Number", REG_DWORD, &number, sizeof number);
  EXPECT_EQ(Read(TestKey(L"64"), "Number"), "AB");
  // An odd number of bytes: the last byte stands alone and ends the text.
  const uint8_t odd[] = {'A', 0, 'B'};
  WriteValue(KEY_WOW64_64KEY, TestKey(L"64"), L"Odd", REG_BINARY, odd, sizeof odd);
  EXPECT_EQ(Read(TestKey(L"64"), "Odd"), "AB");
}

TEST_F(RegistryReadTest, ConcatOfByteSetsBeyondWhatABlockHoldsFailsWithTheFullSize) {
  // Two headers claiming INT32_MAX bytes each; their bytes are never read.
  alignas(8) static const int32_t kHuge[] = {1, INT32_MAX};
  static const void* const kParts[] = {kHuge, kHuge};
  testing::Rearm(testing::CapturingHandler);
  testing::Capture() = testing::Captured{};
  EXPECT_TRUE(testing::RunToEnd([] { app::ConcatByteSets(2, kParts); }).ended());
  ASSERT_EQ(testing::Capture().handled.size(), 1u);
  EXPECT_EQ(testing::Capture().handled[0].second,
            testing::Gbk("分配 4294967302 字节内存失败!") + "\r\n0, 0\r\n");
  ResetProgramEndForTesting();
  SetProcessExitForTesting(nullptr);
}

TEST_F(RegistryReadTest, ProductInstalledLooksForTheUninstallerAtTheStoredLocation) {
  const std::wstring uninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvex";
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring folder =
      std::wstring(temp) + L"korvex app " + std::to_wstring(GetCurrentProcessId()) + L"\\";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring uninstaller = folder + L"unins000.exe";
  HANDLE file = CreateFileW(uninstaller.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);

  DeleteKey(KEY_WOW64_64KEY, uninstall);
  EXPECT_FALSE(app::ProductInstalled());
  WriteText(KEY_WOW64_32KEY, uninstall, L"InstallLocation", folder);
  EXPECT_FALSE(app::ProductInstalled());  // the 32-bit view does not count
  WriteText(KEY_WOW64_64KEY, uninstall, L"InstallLocation", folder);
  EXPECT_TRUE(app::ProductInstalled());
  DeleteFileW(uninstaller.c_str());
  EXPECT_FALSE(app::ProductInstalled());

  DeleteKey(KEY_WOW64_64KEY, uninstall);
  DeleteKey(KEY_WOW64_32KEY, uninstall);
  RemoveDirectoryW(folder.c_str());
}

}  // namespace
}  // namespace korvex::test
