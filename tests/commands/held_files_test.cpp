// WriteHeldFileCmd against the real file system: the file written and then
// held against every change but reading, until DeleteFileCmd lets it go.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "commands/file_handles.h"
#include "tests/commands/win_test_util.h"

namespace korvex {
namespace {

using test::ByteSet;
using test::Call;
using test::ReadAll;
using test::ScratchFolder;
using test::Text;

bool WriteHeld(const std::string& path, std::vector<ArgRecord> data) {
  data.insert(data.begin(), Text(path));
  return Call(WriteHeldFileCmd, data).low != 0;
}
bool Delete(const std::string& path) {
  return Call(DeleteFileCmd, {Text(path)}).low != 0;
}

// Every way another program could change the file, each refused.
void ExpectHeld(const std::string& path, const std::string& content) {
  SCOPED_TRACE(path);
  HANDLE writer = ::CreateFileA(path.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  if (writer != INVALID_HANDLE_VALUE) ::CloseHandle(writer);
  EXPECT_FALSE(::DeleteFileA(path.c_str()));
  EXPECT_FALSE(::MoveFileExA(path.c_str(), (path + ".moved").c_str(), 0));
  const std::string other = path + ".other";
  test::WriteAll(other, "someone else's program");
  EXPECT_FALSE(::MoveFileExA(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_FALSE(::CopyFileA(other.c_str(), path.c_str(), FALSE));
  ::DeleteFileA(other.c_str());
  EXPECT_EQ(ReadAll(path), content);
}

TEST(WriteHeldFile, WritesAndHoldsAgainstEveryChangeButReading) {
  ScratchFolder dir("held");
  const std::string file = dir / "Korvex.exe";
  test::WriteAll(file, "an older, longer installer");
  ByteSet first("inst");
  ByteSet second("aller");
  ASSERT_TRUE(WriteHeld(file, {first.Arg(), second.Arg()}));
  ExpectHeld(file, "installer");
  // The installer reads its own file, sharing reading only.
  HANDLE own = ::CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                             nullptr);
  EXPECT_NE(own, INVALID_HANDLE_VALUE);
  ::CloseHandle(own);
  // So does the program's own plain write.
  EXPECT_FALSE(Call(WriteFileCmd, {Text(file), first.Arg()}).low != 0);
  EXPECT_TRUE(Delete(file));
}

TEST(WriteHeldFile, AHeldProgramCanBeStarted) {
  ScratchFolder dir("held-start");
  char self[MAX_PATH];
  ASSERT_GT(::GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  ByteSet image(ReadAll(self));
  const std::string copy = dir / "copy.exe";
  ASSERT_TRUE(WriteHeld(copy, {image.Arg()}));
  std::string command = "\"" + copy + "\" --gtest_filter=NoSuchTest";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  ASSERT_TRUE(::CreateProcessA(copy.c_str(), command.data(), nullptr, nullptr, FALSE,
                               CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started));
  ::WaitForSingleObject(started.hProcess, 60000);
  DWORD code = 1;
  ::GetExitCodeProcess(started.hProcess, &code);
  ::CloseHandle(started.hThread);
  ::CloseHandle(started.hProcess);
  EXPECT_EQ(code, 0u);
  ExpectHeld(copy, ReadAll(self));
  EXPECT_TRUE(Delete(copy));
}

TEST(WriteHeldFile, DeleteFileLetsGoAndDeletes) {
  ScratchFolder dir("held-delete");
  const std::string file = dir / "Korvex.exe";
  ByteSet data("installer");
  ASSERT_TRUE(WriteHeld(file, {data.Arg()}));
  EXPECT_TRUE(Delete(file));
  EXPECT_FALSE(test::Exists(file));
  // Nothing is held any more: a plain write and a deletion work.
  test::WriteAll(file, "new");
  EXPECT_TRUE(::DeleteFileA(file.c_str()));
}

TEST(WriteHeldFile, FailuresHoldNothing) {
  ScratchFolder dir("held-fail");
  ByteSet data("installer");
  EXPECT_FALSE(WriteHeld("", {data.Arg()}));
  EXPECT_FALSE(WriteHeld(dir / "missing\\Korvex.exe", {data.Arg()}));
  const std::string busy = dir / "busy.exe";
  test::WriteAll(busy, "old");
  HANDLE h = ::CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(WriteHeld(busy, {data.Arg()}));
  ::CloseHandle(h);
  EXPECT_EQ(ReadAll(busy), "old");
  EXPECT_TRUE(::DeleteFileA(busy.c_str()));  // not held
}

TEST(WriteHeldFile, RefusesAHardLinkAsWriteFileDoes) {
  ScratchFolder dir("held-link");
  ScratchFolder outside("held-outside");
  const std::string victim = outside / "system.exe";
  test::WriteAll(victim, "precious");
  if (!test::MakeUnixLink(victim, dir / "Korvex.exe", /*hard=*/true)) {
    GTEST_SKIP() << "links cannot be made here (not under Wine)";
  }
  ByteSet data("installer");
  EXPECT_FALSE(WriteHeld(dir / "Korvex.exe", {data.Arg()}));
  EXPECT_EQ(ReadAll(victim), "precious");
}

// --- Between the write and the hold ------------------------------------------------
// Operations that record each opening and can let another program act right
// before the holder is opened.

std::vector<std::string> g_opens;
void (*g_before_holder)(const std::wstring& path) = nullptr;

HANDLE RecordingOpen(const std::wstring& path, uint32_t access, uint32_t share,
                     uint32_t disposition, uint32_t flags, bool inheritable) {
  g_opens.push_back(std::string(path.begin(), path.end()));
  if (access == GENERIC_READ && g_before_holder != nullptr) g_before_holder(path);
  return PlatformFileOperations().open(path, access, share, disposition, flags, inheritable);
}

class HeldFileSteps : public ::testing::Test {
 protected:
  void SetUp() override {
    static const FileOperations ops = {RecordingOpen,
                                       PlatformFileOperations().close,
                                       PlatformFileOperations().facts,
                                       PlatformFileOperations().mark_deleted,
                                       PlatformFileOperations().list,
                                       PlatformFileOperations().volume_path};
    SetFileOperationsForTesting(&ops);
    g_opens.clear();
    g_before_holder = nullptr;
  }
  void TearDown() override {
    SetFileOperationsForTesting(nullptr);
    g_before_holder = nullptr;
  }
  ScratchFolder dir_{"held-steps"};
};

TEST_F(HeldFileSteps, TheSameDataAgainKeepsTheHoldWithoutAGap) {
  const std::string file = dir_ / "Korvex.exe";
  ByteSet data("installer");
  ASSERT_TRUE(WriteHeld(file, {data.Arg()}));
  g_opens.clear();
  // The same file, spelt otherwise: nothing is opened, so it is never unheld.
  std::string other_spelling = file;
  for (char& c : other_spelling) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_TRUE(WriteHeld(other_spelling, {data.Arg()}));
  EXPECT_TRUE(g_opens.empty());
  ExpectHeld(file, "installer");
  EXPECT_TRUE(Delete(file));
}

TEST_F(HeldFileSteps, OtherDataIsWrittenAndHeldAgain) {
  const std::string file = dir_ / "Korvex.exe";
  ByteSet data("installer");
  ByteSet other("another installer");
  ASSERT_TRUE(WriteHeld(file, {data.Arg()}));
  EXPECT_TRUE(WriteHeld(file, {other.Arg()}));
  ExpectHeld(file, "another installer");
  EXPECT_TRUE(Delete(file));
}

void ReplaceContent(const std::wstring& path) {
  test::WriteAll(std::string(path.begin(), path.end()), "someone else's program");
}

TEST_F(HeldFileSteps, AFileChangedBeforeTheHoldIsNotHeld) {
  const std::string file = dir_ / "Korvex.exe";
  g_before_holder = ReplaceContent;
  ByteSet data("installer");
  EXPECT_FALSE(WriteHeld(file, {data.Arg()}));
  g_before_holder = nullptr;
  // Not held: another program can delete it.
  EXPECT_TRUE(::DeleteFileA(file.c_str()));
}

}  // namespace
}  // namespace korvex
