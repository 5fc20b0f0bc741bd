// Every flow of the installer logic against the recording runtime: the exact
// sequence of commands, declared-function calls, property writes and the end,
// with texts byte for byte; scripted failures; the "-s" scan; nested events;
// and the allocation balance of each flow.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/command_calls.h"
#include "app/routines.h"
#include "payload/constants.h"
#include "runtime/values.h"
#include "tests/app/recording_runtime.h"

namespace korvex::test {
namespace {

using Calls = std::vector<std::string>;

const std::string kAppData = "C:\\users\\k\\AppData\\Roaming\\";
const std::string kKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvex";
const std::string kSwitches = " /sp- /verysilent /suppressmsgboxes /norestart";

Calls& operator+=(Calls& a, const Calls& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The expected calls, built from the same readable pieces as the program's.
struct Expect {
  std::string app_data = kAppData;
  int32_t main_window = 0x10010;
  int32_t label = 0x20020;

  std::string Installer() const { return app_data + "Tessaranvolk\\Korvex.exe"; }
  std::string Settings() const { return app_data + "Korvex\\Korvex.qdf"; }
  // The installer by its quoted path, started directly (no command processor).
  std::string SilentCommand() const { return "\"" + Installer() + "\"" + kSwitches; }
  std::string ManualCommand() const { return "\"" + Installer() + "\""; }

  Calls WriteInstaller() const {
    return {"SpecialFolder(8)", "WriteHeldFile(" + Quoted(Installer()) + ",InstallerImage)"};
  }
  Calls WriteSettings() const {
    return {"SpecialFolder(8)", "WriteFile(" + Quoted(Settings()) + ",SettingsImage)"};
  }
  Calls DeleteInstaller() const {
    return {"SpecialFolder(8)", "DeleteFile(" + Quoted(Installer()) + ")"};
  }
  Calls RunSilent() const {
    return {"SpecialFolder(8)", "Run(" + Quoted(SilentCommand()) + ",true,1)"};
  }
  Calls HandleOf(bool label_too) const {
    Calls c = {"GetWindowHandle(unit(52010001,6010000:10001))"};
    if (label_too) c.push_back("GetWindowHandle(unit(52010001,16010106:1000A))");
    return c;
  }
  Calls RegisterHotKey(int key) const {
    Calls c = HandleOf(true);
    c.push_back("RegisterHotKey(" + std::to_string(main_window) + "," + std::to_string(label) +
                ",0," + std::to_string(key) + ")");
    return c;
  }
  Calls ReleaseHomeHotKey(int32_t id) const {
    Calls c = HandleOf(false);
    c.push_back("UnregisterHotKey(" + std::to_string(main_window) + "," + std::to_string(id) + ")");
    c.push_back("Wow64DisableWow64FsRedirection(&RedirectionState)/1");
    return c;
  }
  static Calls ShellNew() {
    return {"DeleteRegistryItem(4,\"SOFTWARE\\Classes\\.7z\\ShellNew\")",
            "DeleteRegistryItem(4,\"SOFTWARE\\Classes\\.rar\\ShellNew\")",
            "DeleteRegistryItem(4,\"SOFTWARE\\Classes\\.zip\\ShellNew\")",
            "DeleteRegistryItem(3,\"Software\\Classes\\.7z\\ShellNew\")",
            "DeleteRegistryItem(3,\"Software\\Classes\\.rar\\ShellNew\")",
            "DeleteRegistryItem(3,\"Software\\Classes\\.zip\\ShellNew\")"};
  }
  static Calls TextToWide(const std::string& text) {
    const std::string n = std::to_string(text.size() + 1);
    return {"ToByteSet(" + Quoted(text) + ")", "strlen(" + Quoted(text) + ")/1c",
            "MultiByteToWideChar(936,0," + Quoted(text) + ",-1,null,0)/6",
            "BlankByteSet(" + std::to_string(2 * (text.size() + 1)) + ")",
            "MultiByteToWideChar(936,0," + Quoted(text) + ",-1,buffer," + n + ")/6"};
  }
  // ReadRegistryText of the uninstall entry. key: the key opens; location: the
  // value (ASCII here) when it exists.
  static Calls ReadLocation(bool key, const std::string* location) {
    Calls c = TextToWide(kKey);
    c += TextToWide("InstallLocation");
    c.push_back("BitOr(256,1)");
    c.push_back("RegOpenKeyExW(80000002," + Quoted(kKey) + ",0,101)/5");
    if (key) {
      c.push_back("RegQueryValueExW(4321,\"InstallLocation\",size)/6");
      if (location != nullptr) {
        c.push_back("BlankByteSet(" + std::to_string(location->size() * 2) + ")");
        c.push_back("RegQueryValueExW(4321,\"InstallLocation\",data)/6");
      }
      c.push_back("RegCloseKey(4321)/1");
    }
    c.push_back("lstrlenW/1");
    if (location != nullptr && !location->empty()) {
      const std::string m = std::to_string(location->size() + 1);
      c.push_back("WideCharToMultiByte(936,0,null,0,null,null)/8");
      c.push_back("BlankByteSet(" + m + ")");
      c.push_back("WideCharToMultiByte(936,0,buffer," + m + ",null,null)/8");
      c.push_back("strlen(" + Quoted(*location) + ")/1c");
      c.push_back("PointerToByteSet(@," + std::to_string(location->size()) + ")");
      c.push_back("GetByteSetData(bytes(" + std::to_string(location->size()) + "),10,-)");
    } else {
      c.push_back("GetByteSetData({},10,-)");
    }
    return c;
  }
  // InstallLocationCheck with the uninstaller present or not; the file is
  // looked for only at a location (an absolute one, here).
  static Calls LocationCheck(bool key, const std::string* location, bool exists) {
    Calls c = ReadLocation(key, location);
    if (location != nullptr) c.push_back("FileExists(" + Quoted(*location + "unins000.exe") + ")");
    if (!exists) c.push_back("WriteProperty(52010001,16010103,6,-1,1,0)");
    return c;
  }
  // Steps 1 to 9 of the start-up sequence and the command-line read.
  Calls Startup(const Calls& location_check) const {
    Calls c = RegisterHotKey(36);
    c += RegisterHotKey(35);
    c += {"SpecialFolder(8)", "CreateFolder(" + Quoted(app_data + "Tessaranvolk") + ")"};
    c += WriteInstaller();
    c.push_back("Delay(2000)");
    c += location_check;
    c += WriteSettings();
    c += ShellNew();
    c.push_back("CommandLineArgs(&CommandLineArgs)");
    return c;
  }
  // started: whether the installer is run (its file written and held).
  Calls Silent(const Calls& location_check_calls_without_property, int exit_code,
               bool started = true) const {
    Calls c = WriteInstaller();
    c.push_back("Delay(5000)");
    if (started) c += RunSilent();
    c.push_back("Delay(5000)");
    c += WriteSettings();
    c += ShellNew();
    c += DeleteInstaller();
    c += {"SpecialFolder(8)", "RemoveFolder(" + Quoted(app_data + "Tessaranvolk") + ")"};
    c += location_check_calls_without_property;
    c.push_back("End(" + std::to_string(exit_code) + ")");
    return c;
  }
  Calls OneClick(bool started = true) const {
    Calls c = started ? RunSilent() : Calls{};
    c.push_back("Delay(5000)");
    c += WriteSettings();
    c += ShellNew();
    c += DeleteInstaller();
    c.push_back("End(0)");
    return c;
  }
};

const std::string kLocation = "C:\\Program Files\\Korvex\\";
const std::u16string kLocationWide = u"C:\\Program Files\\Korvex\\";

// Registry read + FileExists without the property write (as the silent end uses).
Calls ProductCheck(bool key, const std::string* location) {
  return Expect::LocationCheck(key, location, true);
}

class FlowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app::HomeHotKeyId = 0;
    app::EndHotKeyId = 0;
    app::AnsiCodePage = 936;
    app::CommandLineArgs = nullptr;
    app::InstallerHeld = 0;
    live_before_ = LiveAllocationCount();
  }
  void TearDown() override { app::FreeGlobals(); }

  // The flow freed every temporary it made (the global array aside).
  void ExpectBalanced() {
    app::FreeGlobals();
    EXPECT_EQ(LiveAllocationCount(), live_before_);
  }
  void Install(const std::string& location) {
    rec_.script.uninstall_key_exists = true;
    rec_.script.install_location =
        std::u16string(location.begin(), location.end());  // ASCII only here
    rec_.script.existing_files.insert(location + "unins000.exe");
  }

  Recorder rec_;
  Expect expect_;
  int32_t live_before_ = 0;
};

TEST_F(FlowsTest, EntryRoutinePreparesGlobalsLoadsTheWindowAndRunsTheLoop) {
  ProgramEntry();
  EXPECT_EQ(rec_.calls,
            (Calls{"Service(6)", "Service(3)", "LoadStartupWindow(52010001)", "Run()"}));
  EXPECT_EQ(app::AnsiCodePage, 936);
  // A private copy of the empty array {1, 0}, not the constant itself.
  ASSERT_NE(app::CommandLineArgs, nullptr);
  EXPECT_NE(app::CommandLineArgs, static_cast<const void*>(EmptyArrayConstant));
  EXPECT_EQ(std::memcmp(app::CommandLineArgs, EmptyArrayConstant, 8), 0);
  EXPECT_EQ(ElementCount(app::CommandLineArgs), 0);
  // The registered clean-up releases the array (and its texts).
  ASSERT_NE(rec_.cleanup_routine, nullptr);
  EXPECT_EQ(LiveAllocationCount(), live_before_ + 1);
  rec_.cleanup_routine();
  EXPECT_EQ(app::CommandLineArgs, nullptr);
  EXPECT_EQ(LiveAllocationCount(), live_before_);
}

TEST_F(FlowsTest, StartupWithoutProductDisablesUninstallAndLeavesTheWindowUp) {
  OnMainWindowCreated();
  EXPECT_EQ(rec_.calls, expect_.Startup(Expect::LocationCheck(false, nullptr, false)));
  EXPECT_EQ(app::HomeHotKeyId, 33001);
  EXPECT_EQ(app::EndHotKeyId, 33002);
  ExpectBalanced();
}

TEST_F(FlowsTest, StartupWithProductInstalledKeepsUninstallEnabled) {
  Install(kLocation);
  OnMainWindowCreated();
  EXPECT_EQ(rec_.calls, expect_.Startup(Expect::LocationCheck(true, &kLocation, true)));
  ExpectBalanced();
}

TEST_F(FlowsTest, UninstallKeyWithoutValueOrUninstallerDisablesTheButton) {
  rec_.script.uninstall_key_exists = true;  // key present, value missing
  OnMainWindowCreated();
  EXPECT_EQ(rec_.calls, expect_.Startup(Expect::LocationCheck(true, nullptr, false)));
  ExpectBalanced();

  // A location without its trailing backslash runs into "unins000.exe".
  rec_.calls.clear();
  const std::string bare = "C:\\Korvex";
  Install("C:\\Korvex\\");
  rec_.script.install_location = u"C:\\Korvex";
  app::InstallLocationCheck();
  EXPECT_EQ(rec_.calls, Expect::LocationCheck(true, &bare, false));
  ExpectBalanced();
}

TEST_F(FlowsTest, FailingCommandsChangeNothingInTheSequence) {
  rec_.script.commands_fail = true;
  rec_.script.app_data.reset();
  Expect relative;  // every path relative when the folder is unavailable
  relative.app_data = "";
  relative.main_window = 0;
  relative.label = 0;

  OnMainWindowCreated();
  EXPECT_EQ(rec_.calls, relative.Startup(Expect::LocationCheck(false, nullptr, false)));
  EXPECT_EQ(app::HomeHotKeyId, 0);
  ExpectBalanced();

  // The installer file was not written: nothing is started.
  rec_.calls.clear();
  OnOneClickInstall();
  EXPECT_EQ(rec_.calls, relative.OneClick(false));
  ExpectBalanced();

  rec_.calls.clear();
  OnMainWindowClosing();
  Calls closing = relative.DeleteInstaller();
  closing += relative.ReleaseHomeHotKey(0);
  closing.push_back("End(0)");
  EXPECT_EQ(rec_.calls, closing);
  ExpectBalanced();
}

// The installer is started only from a file whose latest write succeeded
// and which is held since; otherwise each flow goes on as when the
// installer cannot be started.
TEST_F(FlowsTest, NothingIsStartedFromAnInstallerFileThatIsNotHeld) {
  // The silent flow's own write decides, whatever the start-up write gave.
  rec_.script.arguments = {"-s"};
  rec_.script.held_writes = {true, false};
  OnMainWindowCreated();
  Calls expected = expect_.Startup(Expect::LocationCheck(false, nullptr, false));
  expected += expect_.Silent(ProductCheck(false, nullptr), 1, false);
  EXPECT_EQ(rec_.calls, expected);
  ExpectBalanced();

  rec_.calls.clear();
  rec_.script.held_writes = {false, true};
  OnMainWindowCreated();
  expected = expect_.Startup(Expect::LocationCheck(false, nullptr, false));
  expected += expect_.Silent(ProductCheck(false, nullptr), 1, true);
  EXPECT_EQ(rec_.calls, expected);
  ExpectBalanced();

  // The buttons use the start-up write.
  rec_.script.arguments.clear();
  rec_.script.held_writes = {false};
  OnMainWindowCreated();
  rec_.calls.clear();
  OnOneClickInstall();
  EXPECT_EQ(rec_.calls, expect_.OneClick(false));
  rec_.calls.clear();
  OnManualInstall();
  Calls manual = {"Delay(3000)"};
  manual += expect_.WriteSettings();
  manual += expect_.DeleteInstaller();
  manual += expect_.ReleaseHomeHotKey(app::HomeHotKeyId);
  manual.push_back("End(0)");
  EXPECT_EQ(rec_.calls, manual);
  ExpectBalanced();
}

TEST_F(FlowsTest, DeletingTheInstallerFileEndsItsHold) {
  OnMainWindowCreated();
  ASSERT_NE(app::InstallerHeld, 0);
  OnMainWindowClosing();
  EXPECT_EQ(app::InstallerHeld, 0);
  // A flow that still runs after the deletion starts nothing.
  rec_.calls.clear();
  OnOneClickInstall();
  EXPECT_EQ(rec_.calls, expect_.OneClick(false));
  ExpectBalanced();
}

TEST_F(FlowsTest, SilentSwitchScan) {
  struct Case {
    std::vector<std::optional<std::string>> arguments;
    bool silent;
  };
  const Case cases[] = {
      {{}, false},
      {{"-S"}, false},
      {{"/s"}, false},
      {{"--s"}, false},
      {{"-s1"}, false},
      {{" -s"}, false},
      {{std::nullopt}, false},  // an empty quoted argument
      {{"-s"}, true},
      {{"a", "b", "-s"}, true},
      {{"x", "-s", "-S"}, true},
      {{std::nullopt, "-s"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.size() ? c.arguments.back().value_or("<null>") : "<none>");
    rec_.calls.clear();
    rec_.script.arguments = c.arguments;
    OnMainWindowCreated();
    Calls expected = expect_.Startup(Expect::LocationCheck(false, nullptr, false));
    if (c.silent) expected += expect_.Silent(ProductCheck(false, nullptr), 1);
    EXPECT_EQ(rec_.calls, expected);
    EXPECT_EQ(app::ArgumentCount, static_cast<int32_t>(c.arguments.size()));
    ExpectBalanced();
  }
}

TEST_F(FlowsTest, SilentInstallEndsWithZeroOnlyWhenTheProductIsInstalled) {
  // The installer run put the product in place.
  rec_.script.arguments = {"-s"};
  Install(kLocation);
  OnMainWindowCreated();
  Calls expected = expect_.Startup(Expect::LocationCheck(true, &kLocation, true));
  expected += expect_.Silent(ProductCheck(true, &kLocation), 0);
  EXPECT_EQ(rec_.calls, expected);
  ExpectBalanced();

  // The uninstall entry is there but its uninstaller is not.
  rec_.calls.clear();
  rec_.script.existing_files.clear();
  app::SilentInstall();
  EXPECT_EQ(rec_.calls, expect_.Silent(ProductCheck(true, &kLocation), 1));
  ExpectBalanced();
}

// An empty or relative location would find a stray unins000.exe beside the
// program or in the current folder: only an absolute one counts, alike for
// the uninstall button, its click and the silent mode's exit code.
TEST_F(FlowsTest, OnlyAnAbsoluteLocationCountsAsInstalled) {
  const std::string kDisable = "WriteProperty(52010001,16010103,6,-1,1,0)";
  struct Case {
    std::string location;
    bool installed;
  };
  const Case cases[] = {{"", false},
                        {"Korvex\\", false},
                        {"\\Korvex\\", false},
                        {"C:Korvex\\", false},
                        {"D:\\Korvex\\", true},
                        {"d:/Korvex/", true},
                        {"\\\\srv\\share\\", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.location);
    Install(c.location);  // the uninstaller exists at the location as given
    rec_.calls.clear();
    app::InstallLocationCheck();
    EXPECT_EQ(rec_.calls.back() == kDisable, !c.installed);

    rec_.calls.clear();
    app::SilentInstall();
    EXPECT_EQ(rec_.calls.back(), c.installed ? "End(0)" : "End(1)");

    rec_.calls.clear();
    OnOneClickUninstall();
    const std::string run = "Run(" + Quoted(Quoted(c.location + "unins000.exe")) + ",false,-)";
    EXPECT_EQ(rec_.calls.back() == run, c.installed);
    EXPECT_EQ(rec_.calls.back().rfind("Run(", 0) == 0, c.installed);
    ExpectBalanced();
  }
}

TEST_F(FlowsTest, OneClickInstallQuotesTheInstallerPath) {
  rec_.script.app_data = "C:\\users\\a & b (x)\\AppData\\Roaming\\";
  expect_.app_data = *rec_.script.app_data;
  app::InstallerHeld = 1;  // as the start-up write left it
  OnOneClickInstall();
  EXPECT_EQ(rec_.calls, expect_.OneClick());
  EXPECT_EQ(rec_.calls[1],
            "Run(\"\"C:\\users\\a & b (x)\\AppData\\Roaming\\Tessaranvolk\\Korvex.exe\" "
            "/sp- /verysilent /suppressmsgboxes /norestart\",true,1)");
  ExpectBalanced();
}

// The installer gets the normal window state (show mode 2): started directly,
// a hidden state would reach it and hide its pages.
TEST_F(FlowsTest, ManualInstallRunsTheInstallerWithItsPagesAndReleasesTheHotKey) {
  app::HomeHotKeyId = 33001;
  app::InstallerHeld = 1;  // as the start-up write left it
  OnManualInstall();
  Calls expected = {"SpecialFolder(8)", "Run(" + Quoted(expect_.ManualCommand()) + ",true,2)",
                    "Delay(3000)"};
  expected += expect_.WriteSettings();
  expected += expect_.DeleteInstaller();
  expected += expect_.ReleaseHomeHotKey(33001);
  expected.push_back("End(0)");
  EXPECT_EQ(rec_.calls, expected);
  ExpectBalanced();
}

TEST_F(FlowsTest, ClosingDeletesTheInstallerReleasesTheHotKeyAndEnds) {
  app::HomeHotKeyId = 33005;
  OnMainWindowClosing();
  Calls expected = expect_.DeleteInstaller();
  expected += expect_.ReleaseHomeHotKey(33005);
  expected.push_back("End(0)");
  EXPECT_EQ(rec_.calls, expected);
  ExpectBalanced();
}

TEST_F(FlowsTest, UninstallStartsTheQuotedUninstallerWithoutWaiting) {
  Install(kLocation);
  OnOneClickUninstall();
  Calls expected = Expect::ReadLocation(true, &kLocation);
  expected.push_back("Run(\"\"C:\\Program Files\\Korvex\\unins000.exe\"\",false,-)");
  EXPECT_EQ(rec_.calls, expected);
  ExpectBalanced();

  // Without an uninstall entry nothing is started, and nothing ends.
  rec_.calls.clear();
  rec_.script.uninstall_key_exists = false;
  OnOneClickUninstall();
  EXPECT_EQ(rec_.calls, Expect::ReadLocation(false, nullptr));
  ExpectBalanced();
}

// Both hot keys start the Windows folder's explorer.exe by its full path.
TEST_F(FlowsTest, HomeHotKeyOpensTheWorkFolderInExplorer) {
  app::HomeHotKeyId = 33001;
  app::EndHotKeyId = 33002;
  rec_.script.windows_folder = "D:\\Win dir\\";
  rec_.script.existing_files.insert(kAppData + "Tessaranvolk");
  OnHotKeyFeedback(33001, 0);
  const std::string command = "\"D:\\Win dir\\explorer.exe\" \"" + kAppData + "Tessaranvolk\\\\\"";
  EXPECT_EQ(
      rec_.calls,
      (Calls{"SpecialFolder(8)", "FileExists(" + Quoted(kAppData + "Tessaranvolk") + ")",
             "SpecialFolder(8)", "SpecialFolder(9)", "Run(" + Quoted(command) + ",false,-)"}));
  ExpectBalanced();
}

// Wine's Explorer hands a path that is no folder to the shell, which finds a
// program for it: with no work folder, nothing is started.
TEST_F(FlowsTest, HomeHotKeyStartsNoExplorerWithoutTheWorkFolder) {
  app::HomeHotKeyId = 33001;
  OnHotKeyFeedback(33001, 0);
  EXPECT_EQ(rec_.calls,
            (Calls{"SpecialFolder(8)", "FileExists(" + Quoted(kAppData + "Tessaranvolk") + ")"}));
  ExpectBalanced();
}

// Without its trailing backslash a missing work folder would read as a
// program name, and a Tessaranvolk.exe planted in the application-data
// folder could be found for it. Doubled, one stays whichever way Explorer
// reads the line.
TEST_F(FlowsTest, WorkFolderIsOpenedWithItsTrailingBackslash) {
  app::HomeHotKeyId = 33001;
  rec_.script.app_data = "C:\\users\\a & b\\Roaming\\";
  rec_.script.existing_files.insert(*rec_.script.app_data + "Tessaranvolk");
  OnHotKeyFeedback(33001, 0);
  ASSERT_FALSE(rec_.calls.empty());
  // The last argument of the started command line, quoted.
  const std::string argument = " \"C:\\users\\a & b\\Roaming\\Tessaranvolk\\\\\"";
  const std::string run_tail = argument + "\",false,-)";
  const std::string& run = rec_.calls.back();
  ASSERT_GE(run.size(), run_tail.size());
  EXPECT_EQ(run.substr(run.size() - run_tail.size()), run_tail) << run;
  ExpectBalanced();
}

TEST_F(FlowsTest, EndHotKeyRevealsTheSettingsInExplorerAndRewritesThem) {
  app::HomeHotKeyId = 33001;
  app::EndHotKeyId = 33002;
  rec_.script.existing_files.insert(kAppData + "Korvex");
  OnHotKeyFeedback(33002, 7);
  const std::string command =
      "\"C:\\windows\\explorer.exe\" /select, \"" + expect_.Settings() + "\"";
  Calls expected = {"SpecialFolder(8)", "FileExists(" + Quoted(kAppData + "Korvex") + ")",
                    "SpecialFolder(8)", "SpecialFolder(9)", "Run(" + Quoted(command) + ",false,-)"};
  expected += expect_.WriteSettings();
  EXPECT_EQ(rec_.calls, expected);
  ExpectBalanced();

  rec_.calls.clear();
  OnHotKeyFeedback(12345, 0);
  EXPECT_TRUE(rec_.calls.empty());
}

// Explorer shows the folder of the file it reveals; with no such folder
// nothing is started (Wine's Explorer would hand the missing folder to the
// shell, which finds a planted Korvex.exe for it). The file is written all
// the same.
TEST_F(FlowsTest, EndHotKeyStartsNoExplorerWithoutTheSettingsFolder) {
  app::EndHotKeyId = 33002;
  OnHotKeyFeedback(33002, 0);
  Calls expected = {"SpecialFolder(8)", "FileExists(" + Quoted(kAppData + "Korvex") + ")"};
  expected += expect_.WriteSettings();
  EXPECT_EQ(rec_.calls, expected);
  ExpectBalanced();
}

TEST_F(FlowsTest, ClickDuringTheStartupDelayRunsItsFlowNested) {
  rec_.script.during_delay[2000] = [] { OnOneClickInstall(); };
  OnMainWindowCreated();

  Calls expected = expect_.RegisterHotKey(36);
  expected += expect_.RegisterHotKey(35);
  expected += {"SpecialFolder(8)", "CreateFolder(" + Quoted(kAppData + "Tessaranvolk") + ")"};
  expected += expect_.WriteInstaller();
  expected.push_back("Delay(2000)");
  expected += expect_.OneClick();  // runs inside the delay
  expected += Expect::LocationCheck(false, nullptr, false);
  expected += expect_.WriteSettings();
  expected += Expect::ShellNew();
  expected.push_back("CommandLineArgs(&CommandLineArgs)");
  EXPECT_EQ(rec_.calls, expected);
  ExpectBalanced();
}

TEST_F(FlowsTest, HandlersAreReachedThroughTheProgramCodeBlock) {
  struct Binding {
    uint32_t offset;
    const void* routine;
  };
  const Binding bindings[] = {
#define ROUTINE(name, offset, argument_bytes) \
  {app::k##name##Offset, reinterpret_cast<const void*>(&name)},
#include "app/program_layout.def"
  };
  for (const Binding& b : bindings) {
    const uint8_t* at = ProgramCode + b.offset;
    ASSERT_EQ(at[0], 0xE9) << std::hex << b.offset;
    int32_t displacement;
    std::memcpy(&displacement, at + 1, sizeof displacement);
    EXPECT_EQ(at + 5 + displacement, b.routine) << std::hex << b.offset;
  }
  // The gaps between the jumps hold int3.
  EXPECT_EQ(ProgramCode[5], 0xCC);
  EXPECT_EQ(ProgramCode[app::kOnHotKeyFeedbackOffset - 1], 0xCC);

  // A call through the block with the handler's own convention: the callee
  // removes both arguments, so the caller's stack stays as it was.
  app::HomeHotKeyId = 33001;
  rec_.script.existing_files.insert(kAppData + "Tessaranvolk");
  using HotKeyHandler = int32_t(__stdcall*)(int32_t, int32_t);
  auto handler = reinterpret_cast<HotKeyHandler>(
      reinterpret_cast<uintptr_t>(ProgramCode + app::kOnHotKeyFeedbackOffset));
  EXPECT_EQ(handler(33001, 0), 0);
  ASSERT_EQ(rec_.calls.size(), 5u);
  EXPECT_EQ(rec_.calls[4].rfind("Run(", 0), 0u);
  ExpectBalanced();
}

}  // namespace
}  // namespace korvex::test
