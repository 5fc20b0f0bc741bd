// The entry routine, the start-up sequence with the "-s" scan, and the close
// handler of the main window.
#include <cstring>

#include "app/command_calls.h"
#include "app/routines.h"
#include "runtime/errors.h"
#include "runtime/values.h"

namespace korvex::app {

int32_t HomeHotKeyId = 0;
int32_t EndHotKeyId = 0;
void* CommandLineArgs = nullptr;
int32_t ArgumentCount = 0;
int32_t ScanIndex = 0;
int32_t AnsiCodePage = 0;
uintptr_t RedirectionState = 0;

namespace {

// Numbered runtime services used by the entry routine.
constexpr int32_t kServiceRegisterCleanup = 3;
constexpr int32_t kServiceInitializeImage = 6;

// Line of the "-s" scan, for runtime error reports.
constexpr int32_t kScanLine = 10;

constexpr int32_t kHomeKey = 36;
constexpr int32_t kEndKey = 35;
constexpr int32_t kNoModifiers = 0;

void FreeGlobalsRoutine() {
  FreeGlobals();
}

// Element `index` (1-based) of CommandLineArgs, checked against the array's
// current size the way every element access is.
const char* ArgumentAt(int32_t index) {
  void* first = nullptr;
  const int32_t count = CommandLineArgs != nullptr ? ElementCount(CommandLineArgs, &first) : 0;
  if (index < 1) {
    Runtime().report_error(kErrSubscriptBelowOne, kStartupSequenceLocation, kScanLine);
    return nullptr;
  }
  if (index > count) {
    Runtime().report_error(kErrSubscriptTooLarge, kStartupSequenceLocation, kScanLine);
    return nullptr;
  }
  const char* element = nullptr;
  std::memcpy(&element, static_cast<const char*>(first) + (index - 1) * sizeof(char*),
              sizeof element);
  return element;
}

int32_t RegisterHotKey(int32_t key) {
  int32_t window = MainWindowHandle();
  int32_t label = HotKeyLabelHandle();
  return IntOf(CallLibrary(kExtensionOneLibrary, kRegisterHotKeyCmd, IntArg(window), IntArg(label),
                           IntArg(kNoModifiers), IntArg(key)));
}

// Whether "-s" is among the command-line arguments (exact, case-sensitive).
bool SilentSwitchGiven() {
  CallCore(kCommandLineArgsCmd, MakePointer(&CommandLineArgs, tag::kText | tag::kArrayFlag));
  ArgumentCount = ElementCountOrZero(CommandLineArgs);
  for (ScanIndex = 1; ScanIndex <= ArgumentCount; ++ScanIndex) {
    if (CompareTexts(ArgumentAt(ScanIndex), kSilentSwitch) == 0) return true;
  }
  return false;
}

}  // namespace

void FreeGlobals() {
  if (CommandLineArgs == nullptr) return;
  FreeArrayValue(tag::kText | tag::kArrayFlag, CommandLineArgs);
  CommandLineArgs = nullptr;
}

}  // namespace korvex::app

using namespace korvex;
using namespace korvex::app;

extern "C" int32_t KORVEX_HANDLER ProgramEntry() {
  Runtime().service(kServiceInitializeImage, 0, 0, 0, 0);
  // A fresh copy of the empty array constant {1, 0}.
  constexpr int32_t kEmptyArrayBytes = 8;
  CommandLineArgs = Runtime().allocate(kEmptyArrayBytes);
  std::memcpy(CommandLineArgs, EmptyArrayConstant, kEmptyArrayBytes);
  Runtime().service(kServiceRegisterCleanup, reinterpret_cast<intptr_t>(&FreeGlobalsRoutine), 0, 0,
                    0);
  AnsiCodePage = kAnsiCodePage936;
  Runtime().load_startup_window(kMainWindowId);
  Runtime().run();
  return 0;
}

extern "C" int32_t KORVEX_HANDLER OnMainWindowCreated() {
  // File-system redirection stays on while the program runs. The one
  // redirection function the program declares can only switch it off, and
  // nothing could switch it back: with redirection off, every library loaded
  // later (the shell's for the Home hot key, the registry functions bound on
  // first use) would be looked for in the 64-bit system folder. So redirection
  // is switched off only right before the program ends, where nothing is
  // loaded any more (DisableFsRedirectionBeforeEnd), and never with a plain
  // number for the address of the previous state.
  HomeHotKeyId = RegisterHotKey(kHomeKey);
  EndHotKeyId = RegisterHotKey(kEndKey);

  char* work_folder = AppDataPath(kWorkFolderName);
  CallCore(kCreateFolderCmd, TextArg(work_folder));
  Release(work_folder);

  WriteInstallerFile();
  Delay(2000);
  InstallLocationCheck();
  WriteSettingsFile();
  ShellNewCleanup();

  if (SilentSwitchGiven()) {
    SilentInstall();  // ends the program
    return 0;
  }
  return 0;
}

extern "C" int32_t KORVEX_HANDLER OnMainWindowClosing() {
  DeleteInstallerFile();
  UnregisterHomeHotKey();
  DisableFsRedirectionBeforeEnd();
  FinishProgram(0);
  return 1;
}
