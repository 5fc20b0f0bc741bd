// Starting programs, the shell, special folders and the command line, with a
// probe program that reports how it was started.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands/command_line_split.h"
#include "commands/commands.h"
#include "runtime/values.h"
#include "tests/commands/win_test_util.h"

namespace korvex {
namespace {

using test::Call;
using test::Exists;
using test::ReadAll;
using test::ScratchFolder;
using test::Text;

std::string ProbePath() {
  char self[MAX_PATH];
  ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path = self;
  return path.substr(0, path.find_last_of('\\') + 1) + "run_probe.exe";
}

// The probe's report, once it has been written completely (up to 30 s). The
// probe may still hold the file for a moment after renaming it.
std::string AwaitReport(const std::string& path) {
  std::string report;
  for (int i = 0; i < 600; ++i) {
    report = ReadAll(path);
    if (report.size() >= 5 && report.compare(report.size() - 5, 5, "done\n") == 0) break;
    ::Sleep(50);
  }
  return report;
}

bool Has(const std::string& report, const std::string& line) {
  return report.find(line + "\n") != std::string::npos;
}

bool RunProbe(const std::string& report, const std::string& extra, std::vector<ArgRecord> rest) {
  std::string command = "\"";
  command += ProbePath();
  command += "\" \"";
  command += report;
  command += "\"";
  command += extra;
  rest.insert(rest.begin(), Text(command));
  return Call(RunCmd, rest).low != 0;
}

TEST(RunCmd, WaitsForTheProgramAndPassesTheCommandLine) {
  ScratchFolder dir("run");
  const std::string report = dir / "report.txt";
  ASSERT_TRUE(RunProbe(report, " -s \"a b\" \"\" x\"y z\"", {MakeBool(true), MakeInt(2)}));
  // Waited: the report is there as soon as the command returns.
  ASSERT_TRUE(Exists(report));
  const std::string r = AwaitReport(report);
  EXPECT_TRUE(Has(r, "cmdline=\"" + ProbePath() + "\" \"" + report + "\" -s \"a b\" \"\" x\"y z\""))
      << r;
  // The probe read its own arguments with CommandLineArgsCmd.
  const std::string expected_args =
      "arg=" + report + "\narg=-s\narg=a b\narg=<null>\narg=x\narg=y z\n";
  EXPECT_NE(r.find(expected_args), std::string::npos) << r;
  // The program starts in the caller's current folder.
  char current[MAX_PATH];
  ::GetCurrentDirectoryA(MAX_PATH, current);
  EXPECT_TRUE(Has(r, std::string("cwd=") + current)) << r;
}

TEST(RunCmd, ShowModesAreClamped) {
  ScratchFolder dir("show");
  struct Case {
    bool omitted;
    int32_t mode;
    int expected_show;
  } cases[] = {
      {true, 0, SW_SHOWNORMAL},      {false, 1, SW_HIDE},          {false, 0, SW_HIDE},
      {false, -7, SW_HIDE},          {false, 3, SW_SHOWMINIMIZED}, {false, 4, SW_SHOWMAXIMIZED},
      {false, 5, SW_SHOWNOACTIVATE}, {false, 6, SW_MINIMIZE},      {false, 9, SW_MINIMIZE}};
  int n = 0;
  for (const Case& c : cases) {
    const std::string report = dir / ("report" + std::to_string(n++));
    ASSERT_TRUE(
        RunProbe(report, "", {MakeBool(true), c.omitted ? MakeOmitted() : MakeInt(c.mode)}));
    ASSERT_TRUE(Exists(report));
    const std::string r = AwaitReport(report);
    char expected[64];
    std::snprintf(expected, sizeof expected, "show=%d flags=%lu", c.expected_show,
                  static_cast<unsigned long>(STARTF_USESHOWWINDOW));
    EXPECT_TRUE(Has(r, expected)) << "mode " << c.mode << (c.omitted ? " omitted" : "") << "\n"
                                  << r;
  }
}

TEST(RunCmd, WithoutWaitReturnsWhileTheProgramRuns) {
  ScratchFolder dir("nowait");
  const std::string report = dir / "report.txt";
  char event_name[64];
  std::snprintf(event_name, sizeof event_name, "KorvexRunProbe-%lu", ::GetCurrentProcessId());
  HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, event_name);
  ASSERT_NE(event, nullptr);
  // The probe never reads messages, so it never becomes idle; it ends only
  // once the event is set.
  ASSERT_TRUE(RunProbe(report, std::string(" ") + event_name, {MakeBool(false), MakeOmitted()}));
  EXPECT_FALSE(Exists(report));
  ::SetEvent(event);
  const std::string r = AwaitReport(report);
  ::CloseHandle(event);
  EXPECT_TRUE(Has(r, "event=signalled")) << r;
}

TEST(RunCmd, MissingProgramIsFalse) {
  EXPECT_EQ(
      Call(RunCmd, {Text("C:\\korvex\\no-such-program.exe -s"), MakeBool(true), MakeInt(1)}).low,
      0u);
  EXPECT_EQ(Call(RunCmd, {Text(""), MakeBool(true), MakeOmitted()}).low, 0u);
}

// --- Which program RunCmd starts ----------------------------------------------

// A copy of the probe placed at a path for one test, removed afterwards.
class PlacedProbe {
 public:
  explicit PlacedProbe(std::string path) : path_(std::move(path)) {
    placed_ = ::CopyFileA(ProbePath().c_str(), path_.c_str(), FALSE) != FALSE;
  }
  PlacedProbe(const PlacedProbe&) = delete;
  PlacedProbe& operator=(const PlacedProbe&) = delete;
  ~PlacedProbe() { ::DeleteFileA(path_.c_str()); }
  bool placed() const { return placed_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool placed_ = false;
};

// The current folder for one test, restored afterwards.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& folder) {
    ::GetCurrentDirectoryA(MAX_PATH, saved_);
    ::SetCurrentDirectoryA(folder.c_str());
  }
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;
  ~CurrentFolder() { ::SetCurrentDirectoryA(saved_); }

 private:
  char saved_[MAX_PATH] = {};
};

// A program name no other test process uses.
std::string UniqueName(const char* tag) {
  return std::string("korvex-") + tag + "-" + std::to_string(::GetCurrentProcessId());
}

std::string SystemFolderPath(const std::string& name) {
  char folder[MAX_PATH];
  const UINT n = ::GetSystemDirectoryA(folder, MAX_PATH);
  return std::string(folder, n) + "\\" + name;
}

std::string WindowsFolderPath(const std::string& name) {
  char folder[MAX_PATH];
  const UINT n = ::GetSystemWindowsDirectoryA(folder, MAX_PATH);
  return std::string(folder, n) + "\\" + name;
}

std::string ProgramFolderPath(const std::string& name) {
  const std::string probe = ProbePath();
  return probe.substr(0, probe.find_last_of('\\') + 1) + name;
}

// Whether two paths name one file (a 32-bit process sees the system folder
// under two names).
bool SameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION info[2] = {};
  const std::string* paths[2] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    HANDLE file = ::CreateFileA(paths[i]->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = ::GetFileInformationByHandle(file, &info[i]) != FALSE;
    ::CloseHandle(file);
    if (!ok) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
         info[0].nFileIndexLow == info[1].nFileIndexLow;
}

// The file the probe ran from, as its report gives it.
std::string ModuleOf(const std::string& report) {
  const size_t at = report.find("module=");
  if (at == std::string::npos) return std::string();
  const size_t begin = at + 7;
  return report.substr(begin, report.find('\n', begin) - begin);
}

// Runs a command line whose last argument is the report file, waiting.
bool RunReporting(const std::string& line) {
  return Call(RunCmd, {Text(line), MakeBool(true), MakeInt(2)}).low != 0;
}

TEST(RunCmd, BareNameComesFromTheSystemFolderThenTheWindowsFolder) {
  ScratchFolder dir("bare");
  const std::string name = UniqueName("system");
  PlacedProbe in_system(SystemFolderPath(name + ".exe"));
  PlacedProbe in_windows(WindowsFolderPath(name + ".exe"));
  ASSERT_TRUE(in_system.placed() && in_windows.placed());

  // ".exe" is added to a name without an extension; the line reaches the
  // program unchanged.
  const std::string report = dir / "report1";
  const std::string line = name + " \"" + report + "\"";
  ASSERT_TRUE(RunReporting(line));
  std::string r = AwaitReport(report);
  EXPECT_TRUE(SameFile(ModuleOf(r), in_system.path())) << r;
  EXPECT_TRUE(Has(r, "cmdline=" + line)) << r;

  // A quoted name with its extension; the Windows folder once the system
  // folder has none.
  ::DeleteFileA(in_system.path().c_str());
  const std::string report2 = dir / "report2";
  ASSERT_TRUE(RunReporting("\"" + name + ".exe\" \"" + report2 + "\""));
  r = AwaitReport(report2);
  EXPECT_TRUE(SameFile(ModuleOf(r), in_windows.path())) << r;
}

// A name ending in a double-byte character whose second byte equals a
// backslash (code page 936 "\x95\x5C") is still a bare name.
TEST(RunCmd, DoubleByteNameIsABareName) {
  ASSERT_EQ(::GetACP(), 936u);
  ScratchFolder dir("double-byte");
  const std::string name = UniqueName("gbk") + "\x95\x5C";
  PlacedProbe in_system(SystemFolderPath(name + ".exe"));
  ASSERT_TRUE(in_system.placed());
  const std::string report = dir / "report";
  ASSERT_TRUE(RunReporting(name + " \"" + report + "\""));
  const std::string r = AwaitReport(report);
  EXPECT_TRUE(SameFile(ModuleOf(r), in_system.path())) << r;
}

// A program planted beside the calling program, or in the current folder
// (a downloads folder), under a bare name the caller means to find in the
// system: the system's own search tries both places first.
TEST(RunCmd, BareNameNeverComesFromBesideTheProgramOrTheCurrentFolder) {
  ScratchFolder dir("planted");
  CurrentFolder current(dir.path());
  const std::string beside = UniqueName("beside");
  const std::string in_current = UniqueName("current");
  PlacedProbe planted_beside(ProgramFolderPath(beside + ".exe"));
  PlacedProbe planted_current(dir / (in_current + ".exe"));
  ASSERT_TRUE(planted_beside.placed() && planted_current.placed());

  const std::string report = dir / "report";
  for (const std::string& name : {beside, beside + ".exe", in_current, in_current + ".exe"}) {
    EXPECT_FALSE(RunReporting(name + " \"" + report + "\"")) << name;
    EXPECT_FALSE(Exists(report)) << name;
  }
}

TEST(RunCmd, QuotedPathWithBlanksRunsThatFileAndNothingBeforeIt) {
  ScratchFolder dir("blanks");
  const std::string folder = dir / "dir with blanks";
  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
  PlacedProbe probe(folder + "\\probe.exe");
  // What an unquoted path would run: the system's search tries each piece
  // up to a blank with ".exe" added ("...\dir.exe") before the whole path.
  PlacedProbe planted(dir / "dir.exe");
  ASSERT_TRUE(probe.placed() && planted.placed());

  const std::string report = dir / "report";
  const std::string line = "\"" + probe.path() + "\" \"" + report + "\" -s";
  ASSERT_TRUE(RunReporting(line));
  const std::string r = AwaitReport(report);
  EXPECT_TRUE(Has(r, "module=" + probe.path())) << r;
  EXPECT_TRUE(Has(r, "cmdline=" + line)) << r;

  ::DeleteFileA(report.c_str());
  EXPECT_FALSE(RunReporting(probe.path() + " \"" + report + "\""));
  EXPECT_FALSE(Exists(report));
}

TEST(RunCmd, RelativePathIsTakenFromTheCurrentFolderAsWritten) {
  ScratchFolder dir("relative");
  CurrentFolder current(dir.path());
  ASSERT_TRUE(::CreateDirectoryA((dir / "sub").c_str(), nullptr));
  PlacedProbe probe(dir / "sub\\probe.exe");
  ASSERT_TRUE(probe.placed());

  int n = 0;
  for (const char* name : {"sub\\probe.exe", ".\\sub\\probe.exe", "sub/probe.exe"}) {
    const std::string report = dir / ("report" + std::to_string(n++));
    ASSERT_TRUE(RunReporting(std::string(name) + " \"" + report + "\"")) << name;
    const std::string r = AwaitReport(report);
    EXPECT_TRUE(Has(r, "module=" + probe.path())) << name << "\n" << r;
  }
  // A name with a folder part is taken exactly: no ".exe" is added.
  const std::string report = dir / "report-exact";
  EXPECT_FALSE(RunReporting("sub\\probe \"" + report + "\""));
  EXPECT_FALSE(Exists(report));
}

TEST(RunCmd, NamesFoundNowhereStartNothing) {
  ScratchFolder dir("nowhere");
  const std::string folder_named_like_a_program = dir / "folder.exe";
  ASSERT_TRUE(::CreateDirectoryA(folder_named_like_a_program.c_str(), nullptr));
  for (const std::string& line :
       {UniqueName("absent") + " -s", "\"" + UniqueName("absent") + ".exe\"",
        "\"" + folder_named_like_a_program + "\" -s", "\"" + dir.path() + "\\missing.exe",
        std::string("  "), std::string("\"\" -s")}) {
    EXPECT_EQ(Call(RunCmd, {Text(line), MakeBool(true), MakeOmitted()}).low, 0u) << line;
  }
}

TEST(ShellOpenCmd, OpensWithParametersFolderAndShowState) {
  ScratchFolder dir("shell");
  const std::string report = dir / "report.txt";
  const std::string params = "\"" + report + "\" one";
  Call(ShellOpenCmd, {MakeInt(4), Text(ProbePath()), Text(params), Text(dir.path()), MakeInt(5)});
  const std::string r = AwaitReport(report);
  EXPECT_TRUE(Has(r, "cwd=" + dir.path())) << r;
  EXPECT_TRUE(Has(r, "arg=one")) << r;
  char expected[64];
  std::snprintf(expected, sizeof expected, "show=%d", SW_SHOWNA);
  EXPECT_NE(r.find(expected), std::string::npos) << r;
}

std::string Folder(int32_t id) {
  const ArgRecord r = Call(SpecialFolderCmd, {MakeInt(id)});
  char* text = PointerOf<char>(r);
  const std::string s = text != nullptr ? text : "<null>";
  Free(text);
  return s;
}

TEST(SpecialFolderCmd, FoldersEndInOneBackslash) {
  EXPECT_EQ(Folder(0), "<null>");
  EXPECT_EQ(Folder(12), "<null>");
  EXPECT_EQ(Folder(-1), "<null>");

  char expected[MAX_PATH];
  ASSERT_TRUE(::SHGetSpecialFolderPathA(nullptr, expected, CSIDL_APPDATA, FALSE));
  EXPECT_EQ(Folder(8), std::string(expected) + "\\");
  ::GetTempPathA(MAX_PATH, expected);
  EXPECT_EQ(Folder(11), expected);  // the platform's own backslash, no second one
  ::GetWindowsDirectoryA(expected, MAX_PATH);
  EXPECT_EQ(Folder(9), std::string(expected) + "\\");
  ::GetSystemDirectoryA(expected, MAX_PATH);
  EXPECT_EQ(Folder(10), std::string(expected) + "\\");
  // Ids 1 to 7: the platform's folders of these numbers, in this order.
  const int kFolders[7] = {CSIDL_PERSONAL,  CSIDL_FAVORITES, CSIDL_DESKTOPDIRECTORY, CSIDL_FONTS,
                           CSIDL_STARTMENU, CSIDL_PROGRAMS,  CSIDL_STARTUP};
  for (int32_t id = 1; id <= 7; ++id) {
    if (!::SHGetSpecialFolderPathA(nullptr, expected, kFolders[id - 1], FALSE)) {
      EXPECT_EQ(Folder(id), "<null>") << id;  // a folder the machine does not have
      continue;
    }
    EXPECT_EQ(Folder(id), std::string(expected) + "\\") << id;
  }
}

TEST(CommandLineArgsCmd, ReplacesTheVariablesArray) {
  // The variable holds an array of two texts; both and the block are released.
  const int32_t before = LiveAllocationCount();
  auto* old_array = static_cast<uint8_t*>(Allocate(8 + 2 * kPointerElementWidth));
  const int32_t header[2] = {1, 2};
  std::memcpy(old_array, header, sizeof header);
  char* texts[2] = {NewText("old", 3), NewText("texts", 5)};
  std::memcpy(old_array + 8, texts, sizeof texts);
  void* variable = old_array;

  ArgRecord arg = MakePointer(&variable, tag::kText | tag::kArrayFlag);
  Call(CommandLineArgsCmd, {arg});
  ASSERT_NE(variable, nullptr);
  ASSERT_NE(variable, static_cast<void*>(old_array));

  const char* line = ::GetCommandLineA();
  const std::vector<CommandLineElement> expected = SplitCommandLine(line);
  void* first = nullptr;
  ASSERT_EQ(ElementCount(variable, &first), static_cast<int32_t>(expected.size()));
  int32_t non_null = 0;
  for (size_t i = 0; i < expected.size(); ++i) {
    const char* text = static_cast<const char* const*>(first)[i];
    EXPECT_EQ(std::string(text != nullptr ? text : ""),
              std::string(line + expected[i].offset, static_cast<size_t>(expected[i].length)));
    non_null += text != nullptr ? 1 : 0;
  }
  EXPECT_EQ(LiveAllocationCount(), before + 1 + non_null);
  FreeArrayValue(arg.tag, variable);
  EXPECT_EQ(LiveAllocationCount(), before);
}

}  // namespace
}  // namespace korvex
