// Binding and calling declared functions under Wine.
#include "runtime/declared_functions.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "tests/runtime/runtime_test_support.h"

namespace korvex {
namespace {

using testing::Capture;
using testing::Gbk;

std::string ProgramPath(const char* name) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.rfind('\\')) + "\\" + name;
}

// The library of our own beside the test program, declared by its full path
// (a plain name is looked for in the system folder only).
const char* ProbeLibrary() {
  static const std::string path = ProgramPath("korvex_probe.dll");
  return path.c_str();
}

const char* const kModules[] = {
    ProbeLibrary(),        // 0
    ProbeLibrary(),        // 1
    ProbeLibrary(),        // 2
    ProbeLibrary(),        // 3
    "msvcrt.dll",          // 4
    "",                    // 5
    "",                    // 6
    "Kernel32.dll",        // 7
    "kernel32.dll",        // 8
    ProbeLibrary(),        // 9
    "korvex_nowhere.dll",  // 10
    "",                    // 11
    ProbeLibrary(),        // 12
    "korvex_probe.dll",    // 13: beside the program, by a plain name
};
const char* const kFunctions[] = {
    "ProbeAdd",                // 0 stdcall (a, b)
    "ProbeSubtract",           // 1 cdecl (a, b)
    "#7",                      // 2 ProbeTriple by ordinal
    "#65537",                  // 3 ordinal 1 (low 16 bits): ProbeAdd
    "strlen",                  // 4 caller cleans
    "GetCurrentProcessId",     // 5 found in Kernel32.dll
    "GetDesktopWindow",        // 6 found in User32.dll
    "GetCurrentThreadId",      // 7
    "GetCurrentThreadId",      // 8
    "NoSuchExport",            // 9
    "Anything",                // 10
    "NoSuchFunctionAnywhere",  // 11
    "ProbeTriple",             // 12 exported by ordinal only
    "ProbeAdd",                // 13
};
constexpr int32_t kCount = sizeof kModules / sizeof kModules[0];

class DeclaredFunctionsTest : public testing::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    InitDeclaredFunctions(kCount, kModules, kFunctions);
    SetErrorHandler(testing::CapturingHandler);
  }
  void TearDown() override {
    ReleaseDeclaredModules();
    RuntimeTest::TearDown();
  }
  static uintptr_t Call(int32_t index, std::initializer_list<uintptr_t> args, bool caller_cleans,
                        uint32_t location = 0, int32_t line = 0) {
    return Runtime().call_declared(index, static_cast<int32_t>(args.size()), args.begin(),
                                   caller_cleans ? 1 : 0, location, line);
  }
  std::string EndMessage(void (*action)()) {
    const testing::EndOutcome end = testing::RunToEnd(action);
    if (!end.ended()) {
      ADD_FAILURE() << "the program did not end";
      return std::string();
    }
    EXPECT_EQ(end.exit_code, kFatalExitCode);
    EXPECT_EQ(Capture().handled.size(), 1u);
    return Capture().handled.empty() ? std::string() : Capture().handled.back().second;
  }
};

TEST_F(DeclaredFunctionsTest, CallsBindOnceAndPassArgumentsInOrder) {
  EXPECT_EQ(Call(0, {40, 2}, false), 42u);
  EXPECT_EQ(Call(1, {40, 2}, true), 38u);  // first argument first
  const DeclaredFunctionTable& table = DeclaredFunctions();
  void* address = table.addresses[0];
  HMODULE module = table.modules[0].Get();
  ASSERT_NE(address, nullptr);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(module, GetModuleHandleA("korvex_probe.dll"));
  EXPECT_EQ(Call(0, {1, 1}, false), 2u);
  EXPECT_EQ(table.addresses[0], address);
  EXPECT_EQ(BindDeclaredFunction(0), address);
  EXPECT_EQ(table.addresses[1], BindDeclaredFunction(1));
  EXPECT_EQ(table.addresses[5], nullptr);  // never called, never bound

  // Each bound index holds one reference: released, the library goes away,
  // which it would not if a second call had loaded it again.
  ReleaseDeclaredModules();
  EXPECT_EQ(table.addresses[0], nullptr);
  EXPECT_EQ(table.modules[0].Get(), nullptr);
  EXPECT_EQ(GetModuleHandleA("korvex_probe.dll"), nullptr);
}

TEST_F(DeclaredFunctionsTest, OrdinalsUseTheLowSixteenBits) {
  EXPECT_EQ(DeclaredOrdinal("#7"), 7);
  EXPECT_EQ(DeclaredOrdinal("#65537"), 1);
  EXPECT_EQ(DeclaredOrdinal("#"), 0);
  EXPECT_EQ(DeclaredOrdinal("Name"), -1);
  EXPECT_EQ(Call(2, {5}, false), 15u);
  EXPECT_EQ(Call(3, {20, 22}, false), 42u);
  FARPROC by_name = GetProcAddress(GetModuleHandleA("korvex_probe.dll"), "ProbeAdd");
  EXPECT_EQ(DeclaredFunctions().addresses[3], reinterpret_cast<void*>(by_name));
}

constexpr bool k32Bit = sizeof(void*) == 4;

TEST_F(DeclaredFunctionsTest, CallerCleansAndSystemLibraries) {
  const char* text = "seven c";
  EXPECT_EQ(Call(4, {reinterpret_cast<uintptr_t>(text)}, true), 7u);
  EXPECT_EQ(Call(5, {}, false), GetCurrentProcessId());
  // Not in Kernel32.dll, Gdi32.dll: found in User32.dll, the others released.
  EXPECT_EQ(Call(6, {}, false),
            static_cast<uint32_t>(reinterpret_cast<uintptr_t>(GetDesktopWindow())));
  EXPECT_EQ(DeclaredFunctions().modules[6].Get(), GetModuleHandleA("user32.dll"));
  // Two spellings of one library are two declarations, each bound on its own.
  EXPECT_EQ(Call(7, {}, false), GetCurrentThreadId());
  EXPECT_EQ(DeclaredFunctions().addresses[8], nullptr);
  EXPECT_EQ(Call(8, {}, false), GetCurrentThreadId());
  EXPECT_EQ(DeclaredFunctions().addresses[7], DeclaredFunctions().addresses[8]);
  EXPECT_NE(DeclaredFunctions().modules[8].Get(), nullptr);
}

TEST_F(DeclaredFunctionsTest, MissingFunctionEndsWithItsNames) {
  EXPECT_EQ(EndMessage([] { Call(9, {}, false); }), Gbk("无法找到指定DLL库文件“") + ProbeLibrary() +
                                                        Gbk("”中的输出命令“NoSuchExport”") +
                                                        "\r\n0, 0\r\n");
  // Neither half of the entry was stored, and the library was let go.
  EXPECT_EQ(DeclaredFunctions().addresses[9], nullptr);
  EXPECT_EQ(DeclaredFunctions().modules[9].Get(), nullptr);
  EXPECT_EQ(GetModuleHandleA("korvex_probe.dll"), nullptr);
}

TEST_F(DeclaredFunctionsTest, MissingLibraryEndsWithItsNames) {
  EXPECT_EQ(
      EndMessage([] { Call(10, {}, false); }),
      Gbk("无法找到指定DLL库文件“korvex_nowhere.dll”中的输出命令“Anything”") + "\r\n0, 0\r\n");
  EXPECT_EQ(DeclaredFunctions().modules[10].Get(), nullptr);
}

TEST_F(DeclaredFunctionsTest, MissingFunctionOfNoLibraryEndsWithItsName) {
  EXPECT_EQ(EndMessage([] { Call(11, {}, false); }),
            Gbk("无法找到指定DLL库文件中的输出命令“NoSuchFunctionAnywhere”") + "\r\n0, 0\r\n");
  // A name exported by ordinal only is not found by name.
  Capture() = testing::Captured{};
  testing::Rearm(testing::CapturingHandler);
  EXPECT_NE(EndMessage([] { Call(12, {}, false); }), "");
}

TEST_F(DeclaredFunctionsTest, LongNamesAreCutInTheMessage) {
  static std::string long_name(3000, 'F');
  static const char* modules[] = {""};
  static const char* functions[] = {long_name.c_str()};
  InitDeclaredFunctions(1, modules, functions);
  std::string message = EndMessage([] { Call(0, {}, false); });
  EXPECT_LT(message.size(), 800u);
  std::string tail = Gbk("”") + "\r\n0, 0\r\n";
  ASSERT_GT(message.size(), tail.size());
  EXPECT_EQ(message.substr(message.size() - tail.size()), tail);
  EXPECT_NE(message.find(std::string(200, 'F')), std::string::npos);
}

TEST_F(DeclaredFunctionsTest, StackCheckCatchesAMisDeclaredFunction) {
  // The error names the call: the calling routine's location id and line.
  std::string expected = Gbk("调用DLL命令后发现堆栈错误") + "\r\n67108869, 4\r\n";
  if (!k32Bit) {
    // One calling convention on 64-bit Windows: what cannot be passed right
    // there is more arguments than the call passes.
    EXPECT_EQ(EndMessage([] {
                Call(0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}, false, 0x04000005, 4);
              }),
              expected);
    EXPECT_EQ(Capture().handled.back().first, 6);
    return;
  }
  // A caller-cleans function called as if it removed its arguments.
  EXPECT_EQ(EndMessage([] { Call(1, {9, 4}, false, 0x04000005, 4); }), expected);
  EXPECT_EQ(Capture().handled.back().first, 6);

  // A function that removes two arguments, given three.
  Capture() = testing::Captured{};
  testing::Rearm(testing::CapturingHandler);
  EXPECT_EQ(EndMessage([] { Call(0, {1, 2, 3}, false, 0x04000005, 4); }), expected);

  // And one that removes its arguments, declared as leaving them.
  Capture() = testing::Captured{};
  testing::Rearm(testing::CapturingHandler);
  EXPECT_EQ(EndMessage([] { Call(0, {1, 2}, true, 0x04000005, 4); }), expected);
}

std::string SystemPath(const char* name) {
  char folder[MAX_PATH];
  UINT n = GetSystemDirectoryA(folder, MAX_PATH);
  return std::string(folder, n) + "\\" + name;
}

TEST_F(DeclaredFunctionsTest, SystemLibrariesComeFromTheSystemFolderOnly) {
  // A planted copy beside the program changes nothing.
  std::string planted = ProgramPath("advapi32.dll");
  HANDLE file = CreateFileA(planted.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  EXPECT_EQ(LibraryLoadCandidates("advapi32.dll"),
            std::vector<std::string>{SystemPath("advapi32.dll")});
  DeleteFileA(planted.c_str());
  EXPECT_EQ(LibraryLoadCandidates("Kernel32.dll"),
            std::vector<std::string>{SystemPath("Kernel32.dll")});
  EXPECT_EQ(LibraryLoadCandidates("msvcrt.dll"),
            std::vector<std::string>{SystemPath("msvcrt.dll")});

  // A plain name the system folder does not hold: nowhere, although the
  // library lies beside the program.
  EXPECT_TRUE(LibraryLoadCandidates("korvex_probe.dll").empty());
  // A relative path: from the program's folder, then as given.
  EXPECT_EQ(LibraryLoadCandidates("sub\\x.dll"),
            (std::vector<std::string>{ProgramPath("sub\\x.dll"), "sub\\x.dll"}));
  // A name with a colon only as given.
  EXPECT_EQ(LibraryLoadCandidates("C:\\windows\\x.dll"),
            std::vector<std::string>{"C:\\windows\\x.dll"});
  EXPECT_TRUE(LibraryLoadCandidates("").empty());
}

// A library planted beside the program under a plain name the program
// declares is never loaded: binding fails as for a missing library.
TEST_F(DeclaredFunctionsTest, PlainNameBesideTheProgramIsNotLoaded) {
  EXPECT_EQ(EndMessage([] {
              Call(13, {1, 2}, false);
            }),
            Gbk("无法找到指定DLL库文件“korvex_probe.dll”中的输出命令“ProbeAdd”") + "\r\n0, 0\r\n");
  EXPECT_EQ(GetModuleHandleA("korvex_probe.dll"), nullptr);
  EXPECT_EQ(DeclaredFunctions().modules[13].Get(), nullptr);
}

TEST_F(DeclaredFunctionsTest, RestrictedSearchSkipsTheProgramsFolder) {
  EXPECT_TRUE(RestrictDllSearchToSystem());
  // The default search no longer looks beside the program...
  HMODULE by_name = LoadLibraryA("korvex_probe.dll");
  EXPECT_EQ(by_name, nullptr);
  if (by_name != nullptr) FreeLibrary(by_name);
  // ...while a library named by its full path still loads.
  EXPECT_EQ(Call(0, {3, 4}, false), 7u);
}

TEST_F(DeclaredFunctionsTest, ModulesReleasedAtProgramEnd) {
  Call(0, {1, 2}, false);
  ASSERT_NE(GetModuleHandleA("korvex_probe.dll"), nullptr);
  testing::RunToEnd([] { EndProgram(0); });
  EXPECT_EQ(GetModuleHandleA("korvex_probe.dll"), nullptr);
  EXPECT_EQ(DeclaredFunctions().modules[0].Get(), nullptr);
}

}  // namespace
}  // namespace korvex
