// The pieces shared by the sample setup program and its uninstaller.
#include "sample_common.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exit_codes.h"

namespace {

using korvex_sample::DecimalText;
using korvex_sample::Join;
using korvex_sample::ParseSwitches;
using korvex_sample::SecondPhaseCommand;
using korvex_sample::Switches;

// Splits a command line the way both programs do.
class Arguments {
 public:
  explicit Arguments(const wchar_t* line) : argv_(CommandLineToArgvW(line, &argc_)) {}
  ~Arguments() { LocalFree(argv_); }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;
  int argc() const { return argc_; }
  wchar_t** argv() const { return argv_; }

 private:
  int argc_ = 0;
  wchar_t** argv_;
};

Switches Parse(const wchar_t* line) {
  Arguments arguments(line);
  return ParseSwitches(arguments.argc(), arguments.argv());
}

TEST(SampleSwitches, InstallerSwitchesInAnyCaseAndOrderUnknownOnesIgnored) {
  Switches s = Parse(L"Korvex.exe /NORESTART /whatever /VerySilent -SP- /suppressMsgBoxes extra");
  EXPECT_TRUE(s.very_silent);
  EXPECT_TRUE(s.no_restart);
  EXPECT_TRUE(s.no_startup_prompt);
  EXPECT_TRUE(s.suppress_message_boxes);
  EXPECT_FALSE(s.silent);
  EXPECT_TRUE(s.cleanup_folder.empty());
  EXPECT_EQ(s.wait_handle, 0u);

  s = Parse(L"unins000.exe /SILENT");
  EXPECT_TRUE(s.silent);
  EXPECT_FALSE(s.very_silent);
}

TEST(SampleSwitches, NearMissesAreNotSwitches) {
  Switches s = Parse(L"Korvex.exe verysilent /verysilentx /very silent /sp /norestart=1");
  EXPECT_FALSE(s.very_silent);
  EXPECT_FALSE(s.silent);
  EXPECT_FALSE(s.no_startup_prompt);
  // A value after a plain switch is ignored, the switch still counts.
  EXPECT_TRUE(s.no_restart);

  s = Parse(L"Korvex.exe");
  EXPECT_FALSE(s.very_silent || s.silent || s.no_restart || s.no_startup_prompt ||
               s.suppress_message_boxes);
}

TEST(SampleSwitches, WaitHandleMustBeADecimalNumber) {
  EXPECT_EQ(Parse(L"u.exe /waitfor=123").wait_handle, 123u);
  EXPECT_EQ(Parse(L"u.exe /waitfor=12x").wait_handle, 0u);
  EXPECT_EQ(Parse(L"u.exe /waitfor=").wait_handle, 0u);
  EXPECT_EQ(Parse(L"u.exe /waitfor").wait_handle, 0u);
  EXPECT_TRUE(Parse(L"u.exe /cleanup=").cleanup_folder.empty());
  EXPECT_TRUE(Parse(L"u.exe /cleanup").cleanup_folder.empty());
}

TEST(SampleSecondPhase, CommandLineGivesBackProgramFolderAndHandle) {
  const wchar_t* programs[] = {
      L"C:\\users\\me\\Temp\\KorvexUninstall-12.exe",
      L"C:\\users\\a & b\\Temp dir\\KorvexUninstall-12.exe",
  };
  const wchar_t* folders[] = {
      L"C:\\Program Files\\Korvex",
      L"C:\\a b\\c d\\",
      L"C:\\ends in two\\\\",
      L"C:\\x\\\"quoted\" \\y",
      L"D:\\\u4e2d\u6587 \u8def\u5f84\\Korvex",
      L"C:\\tab\there",
  };
  for (const wchar_t* program : programs) {
    for (const wchar_t* folder : folders) {
      std::wstring command = SecondPhaseCommand(program, folder, 4242);
      Arguments arguments(command.c_str());
      ASSERT_EQ(arguments.argc(), 3) << command;
      EXPECT_EQ(std::wstring(arguments.argv()[0]), program) << command;
      Switches s = ParseSwitches(arguments.argc(), arguments.argv());
      EXPECT_EQ(s.cleanup_folder, folder) << command;
      EXPECT_EQ(s.wait_handle, 4242u) << command;
    }
  }
}

TEST(SampleText, DecimalDigits) {
  EXPECT_EQ(DecimalText(0), L"0");
  EXPECT_EQ(DecimalText(4294967295u), L"4294967295");
}

class SampleFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = Join(korvex_sample::TempFolder(), L"korvex-sample-test-");
    folder_ += DecimalText(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
  }
  void TearDown() override {
    DeleteFileW(Join(folder_, L"log.txt").c_str());
    DeleteFileW(Join(folder_, L"data.bin").c_str());
    RemoveDirectoryW(folder_.c_str());
  }
  std::string ReadAll(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
      bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
  }
  std::wstring folder_;
};

TEST_F(SampleFiles, RunLogGetsOneUtf8LinePerRun) {
  std::wstring log = Join(folder_, L"log.txt");
  SetEnvironmentVariableW(L"KORVEX_SAMPLE_COMMON_TEST_LOG", log.c_str());
  korvex_sample::AppendRunLog(L"KORVEX_SAMPLE_COMMON_TEST_LOG");
  korvex_sample::AppendRunLog(L"KORVEX_SAMPLE_COMMON_TEST_LOG");
  SetEnvironmentVariableW(L"KORVEX_SAMPLE_COMMON_TEST_LOG", nullptr);
  korvex_sample::AppendRunLog(L"KORVEX_SAMPLE_COMMON_TEST_LOG");  // unset: nothing written

  const wchar_t* line = GetCommandLineW();
  int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
  ASSERT_GT(n, 0);
  std::string utf8(static_cast<size_t>(n - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8.data(), n, nullptr, nullptr);
  EXPECT_EQ(ReadAll(log), utf8 + "\r\n" + utf8 + "\r\n");
}

TEST_F(SampleFiles, IsFolderTellsFoldersFromFiles) {
  std::wstring path = Join(folder_, L"data.bin");
  CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_EQ(ReadAll(path), "");
  EXPECT_FALSE(korvex_sample::IsFolder(Join(Join(folder_, L"no such folder"), L"data.bin")));
  EXPECT_TRUE(korvex_sample::IsFolder(folder_));
  EXPECT_FALSE(korvex_sample::IsFolder(path));
}

TEST(SampleRegistry, ValuesAreWrittenAndReadBackByType) {
  const std::wstring path =
      L"Software\\KorvexSampleCommonTest-" + DecimalText(GetCurrentProcessId());
  korvex::RegistryKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, path.c_str(), KEY_ALL_ACCESS), ERROR_SUCCESS);
  HKEY k = key.Get();
  EXPECT_EQ(korvex_sample::SetTextValue(k, L"Location", L"C:\\Program Files\\Korvex\\"),
            ERROR_SUCCESS);
  EXPECT_EQ(korvex_sample::SetTextValue(k, L"Empty", L""), ERROR_SUCCESS);
  EXPECT_EQ(korvex_sample::SetNumberValue(k, L"Bits", 0x2a5), ERROR_SUCCESS);
  std::wstring text;
  ASSERT_TRUE(korvex_sample::ReadTextValue(k, L"Location", &text));
  EXPECT_EQ(text, L"C:\\Program Files\\Korvex\\");
  ASSERT_TRUE(korvex_sample::ReadTextValue(k, L"Empty", &text));
  EXPECT_TRUE(text.empty());
  DWORD number = 0;
  ASSERT_TRUE(korvex_sample::ReadNumberValue(k, L"Bits", &number));
  EXPECT_EQ(number, 0x2a5u);
  EXPECT_FALSE(korvex_sample::ReadNumberValue(k, L"Location", &number));  // a text is no number
  EXPECT_FALSE(korvex_sample::ReadTextValue(k, L"Bits", &text));
  EXPECT_FALSE(korvex_sample::ReadTextValue(k, L"Missing", &text));
  EXPECT_TRUE(korvex_sample::HasValue(k, L"Empty"));
  EXPECT_FALSE(korvex_sample::HasValue(k, L"Missing"));
  key.Close();
  EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()), ERROR_SUCCESS);
}

// Linked as into both programs (base/cxx_runtime.cpp): an error the C++
// library reports ends the process with the failure code, never an abort.
TEST(SampleLibraryErrors, EndWithTheFailureCode) {
  EXPECT_EXIT(
      {
        std::vector<int> values(2);
        (void)values.at(5);
      },
      ::testing::ExitedWithCode(korvex_sample::kExitFailed), "");
  EXPECT_EXIT(
      {
        std::vector<int> values;
        values.reserve(values.max_size() + 1);
      },
      ::testing::ExitedWithCode(korvex_sample::kExitFailed), "");
}

}  // namespace
