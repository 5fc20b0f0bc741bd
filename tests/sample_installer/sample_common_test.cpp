// The pieces shared by the sample setup program and its uninstaller.
#include "sample_common.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

using korvex_sample::DecimalText;
using korvex_sample::Join;
using korvex_sample::ParseSwitches;
using korvex_sample::RegKey;
using korvex_sample::SecondPhaseCommand;
using korvex_sample::Switches;
using korvex_sample::WideText;

std::wstring Str(const WideText& text) {
  return std::wstring(text.c_str(), text.size());
}

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
      WideText command = SecondPhaseCommand(program, folder, 4242);
      Arguments arguments(command.c_str());
      ASSERT_EQ(arguments.argc(), 3) << Str(command);
      EXPECT_EQ(std::wstring(arguments.argv()[0]), program) << Str(command);
      Switches s = ParseSwitches(arguments.argc(), arguments.argv());
      EXPECT_EQ(Str(s.cleanup_folder), folder) << Str(command);
      EXPECT_EQ(s.wait_handle, 4242u) << Str(command);
    }
  }
}

TEST(SampleText, GrowsAndKeepsItsTerminator) {
  WideText text;
  EXPECT_TRUE(text.empty());
  EXPECT_STREQ(text.c_str(), L"");
  for (int i = 0; i < 1000; ++i) text += static_cast<wchar_t>(L'a' + i % 26);
  ASSERT_EQ(text.size(), 1000u);
  EXPECT_EQ(wcslen(text.c_str()), 1000u);
  EXPECT_EQ(text.c_str()[999], static_cast<wchar_t>(L'a' + 999 % 26));

  text.resize(2);
  text.resize(5);
  EXPECT_EQ(text.size(), 5u);
  EXPECT_EQ(Str(text), std::wstring(L"ab\0\0\0", 5));
  text.pop_back();
  EXPECT_EQ(text.size(), 4u);
  EXPECT_EQ(text.c_str()[4], L'\0');
}

TEST(SampleText, CopiesAndMovesOwnTheirCharacters) {
  WideText original(L"C:\\Program Files\\Korvex");
  WideText copy = original;
  original.resize(2);
  EXPECT_EQ(Str(copy), L"C:\\Program Files\\Korvex");
  EXPECT_EQ(Str(original), L"C:");

  WideText moved = std::move(copy);
  EXPECT_EQ(Str(moved), L"C:\\Program Files\\Korvex");
  EXPECT_TRUE(copy.empty());  // NOLINT: the moved-from state is defined
  EXPECT_STREQ(copy.c_str(), L"");

  copy = moved;
  moved = std::move(original);
  EXPECT_EQ(Str(copy), L"C:\\Program Files\\Korvex");
  EXPECT_EQ(Str(moved), L"C:");
  copy = copy;  // NOLINT: self-assignment keeps the text
  EXPECT_EQ(Str(copy), L"C:\\Program Files\\Korvex");
}

TEST(SampleText, AppendingItselfWhileGrowing) {
  WideText text(L"0123456789abcdef0123456789abcdef");  // fills the first buffer
  text += text;
  EXPECT_EQ(Str(text), L"0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef");
  text.Append(text.c_str() + 60, 4);
  EXPECT_EQ(Str(text.substr(60)), L"cdefcdef");
}

TEST(SampleText, SearchesAndPieces) {
  WideText path(L"C:\\a/b\\c");
  EXPECT_EQ(path.rfind_any(L"\\/"), 6u);
  EXPECT_EQ(path.rfind_any(L"|"), WideText::npos);
  EXPECT_EQ(path.find(L'/'), 4u);
  EXPECT_EQ(path.find(L'|'), WideText::npos);
  EXPECT_EQ(Str(path.substr(2, 3)), L"\\a/");
  EXPECT_EQ(Str(path.substr(5)), L"b\\c");
  EXPECT_TRUE(path.substr(8).empty());
  EXPECT_TRUE(path.substr(100, 2).empty());
  EXPECT_EQ(Str(path.substr(7, 100)), L"c");
  EXPECT_TRUE(path == L"C:\\a/b\\c");
  EXPECT_FALSE(path == L"C:\\a/b");

  EXPECT_EQ(Str(DecimalText(0)), L"0");
  EXPECT_EQ(Str(DecimalText(4294967295u)), L"4294967295");
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
  std::string ReadAll(const WideText& path) {
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
  WideText folder_;
};

TEST_F(SampleFiles, RunLogGetsOneUtf8LinePerRun) {
  WideText log = Join(folder_, L"log.txt");
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

TEST_F(SampleFiles, WholeFileWritesExactlyOrNothing) {
  std::string data(300000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  WideText path = Join(folder_, L"data.bin");
  ASSERT_TRUE(korvex_sample::WriteWholeFile(path, data.data(), data.size()));
  EXPECT_EQ(ReadAll(path), data);
  ASSERT_TRUE(korvex_sample::WriteWholeFile(path, "x", 1));  // replaces, not appends
  EXPECT_EQ(ReadAll(path), "x");

  WideText missing = Join(Join(folder_, L"no such folder"), L"data.bin");
  EXPECT_FALSE(korvex_sample::WriteWholeFile(missing, "x", 1));
  EXPECT_FALSE(korvex_sample::IsFolder(missing));
  EXPECT_TRUE(korvex_sample::IsFolder(folder_));
  EXPECT_FALSE(korvex_sample::IsFolder(path));
}

TEST(SampleRegistry, KeyOwnerCreatesReadsAndWrites) {
  WideText path(L"Software\\KorvexSampleCommonTest-");
  path += DecimalText(GetCurrentProcessId());
  RegKey key;
  bool created = false;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, path.c_str(), KEY_ALL_ACCESS, &created), ERROR_SUCCESS);
  EXPECT_TRUE(created);
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, path.c_str(), KEY_ALL_ACCESS, &created), ERROR_SUCCESS);
  EXPECT_FALSE(created);

  EXPECT_EQ(key.SetText(L"Location", L"C:\\Program Files\\Korvex\\"), ERROR_SUCCESS);
  EXPECT_EQ(key.SetText(L"Empty", L""), ERROR_SUCCESS);
  EXPECT_EQ(key.SetNumber(L"Bits", 0x2a5), ERROR_SUCCESS);
  WideText text;
  ASSERT_TRUE(key.ReadText(L"Location", &text));
  EXPECT_EQ(Str(text), L"C:\\Program Files\\Korvex\\");
  ASSERT_TRUE(key.ReadText(L"Empty", &text));
  EXPECT_TRUE(text.empty());
  DWORD number = 0;
  ASSERT_TRUE(key.ReadNumber(L"Bits", &number));
  EXPECT_EQ(number, 0x2a5u);
  EXPECT_FALSE(key.ReadNumber(L"Location", &number));  // a text is no number
  EXPECT_FALSE(key.ReadText(L"Bits", &text));
  EXPECT_FALSE(key.ReadText(L"Missing", &text));
  EXPECT_TRUE(key.HasValue(L"Empty"));
  EXPECT_FALSE(key.HasValue(L"Missing"));

  key.Close();
  EXPECT_EQ(key.get(), nullptr);
  EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()), ERROR_SUCCESS);
  EXPECT_EQ(key.Open(HKEY_CURRENT_USER, path.c_str(), KEY_READ), ERROR_FILE_NOT_FOUND);
}

}  // namespace
