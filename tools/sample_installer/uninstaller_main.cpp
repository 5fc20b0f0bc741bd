// The sample uninstaller, unins000.exe in the program folder. It asks for
// confirmation (unless /verysilent or /silent is given), removes what the
// setup program made, and finally the program folder with itself in it.
//
// A running program cannot delete its own file, so the last step runs in a
// second phase: the first phase copies itself to the temporary folder and
// starts the copy with /cleanup="<folder>" /waitfor=<handle>; the copy waits
// until the first phase has ended, deletes the folder's files and the folder,
// and has its own file deleted at the next restart. When no copy can be
// started, the uninstaller and the folder are left for deletion at restart.
//
// Exit codes: exit_codes.h.
// KORVEX_SAMPLE_UNINSTALL_LOG names a file that gets one line per run with
// the command line.
#include "sample_common.h"

#include <shellapi.h>

#include "exit_codes.h"

namespace {

using namespace korvex_sample;

// How long the second phase keeps trying to delete the uninstaller file once
// the first phase has ended (the system may hold the image a moment longer).
constexpr int kDeleteAttempts = 50;
constexpr DWORD kDeleteRetryMs = 100;
constexpr DWORD kFirstPhaseWaitMs = 60000;

bool ScheduleDeletionAtRestart(const std::wstring& uninstaller, const std::wstring& folder) {
  bool ok = MoveFileExW(uninstaller.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
  // Entries run in order, so the folder is empty by the time its turn comes.
  if (!MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) ok = false;
  return ok;
}

bool StartSecondPhase(const std::wstring& self, const std::wstring& folder) {
  std::wstring temp_folder = TempFolder();
  std::wstring copy = Join(temp_folder, L"KorvexUninstall-");
  copy += DecimalText(GetCurrentProcessId());
  copy += L".exe";
  if (!CopyFileW(self.c_str(), copy.c_str(), FALSE)) return false;

  korvex::KernelHandle own;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), own.Receive(),
                       SYNCHRONIZE, TRUE, 0)) {
    DeleteFileW(copy.c_str());
    return false;
  }
  std::wstring command = SecondPhaseCommand(copy, folder, reinterpret_cast<uintptr_t>(own.Get()));
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  // The copy works from the temporary folder, so that it does not hold the
  // program folder open as its current directory.
  BOOL started = CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                temp_folder.c_str(), &startup, &process);
  own.Close();
  if (!started) {
    DeleteFileW(copy.c_str());
    return false;
  }
  // The copy runs on its own: both of its handles are closed on return.
  const korvex::KernelHandle thread(process.hThread);
  const korvex::KernelHandle child(process.hProcess);
  return true;
}

int SecondPhase(const Switches& switches) {
  if (switches.wait_handle != 0) {
    // Inherited from the first phase; not a handle of ours when the wait fails.
    korvex::KernelHandle first(reinterpret_cast<HANDLE>(switches.wait_handle));
    if (WaitForSingleObject(first.Get(), kFirstPhaseWaitMs) == WAIT_FAILED) first.Detach();
  }
  bool removed = false;
  for (int attempt = 0; attempt < kDeleteAttempts && !removed; ++attempt) {
    if (attempt > 0) Sleep(kDeleteRetryMs);
    removed = RemoveInstalledFiles(switches.cleanup_folder, true);
  }
  if (!removed) {
    ScheduleDeletionAtRestart(Join(switches.cleanup_folder, kUninstallerName),
                              switches.cleanup_folder);
  }
  MoveFileExW(ModulePath().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return removed ? kExitRemoved : kExitFailed;
}

int Uninstall(const Switches& switches) {
  std::wstring self = ModulePath();
  if (self.empty()) return kExitFailed;
  std::wstring folder = FolderOf(self);

  InstallRecord record = ReadInstallRecord();
  bool ok = RemoveShellNewEntries(record.shell_new);
  if (!RemoveAppDataFolder(record)) ok = false;
  if (!RemoveInstalledFiles(folder, false)) ok = false;
  // The entry holds the record of what is left to remove: it goes only when
  // everything else went.
  if (ok && !RemoveUninstallKey()) ok = false;
  if (!ok) {
    ShowError(switches, L"Korvex", L"Some parts of Korvex could not be removed.");
    return kExitFailed;
  }
  if (!StartSecondPhase(self, folder) &&
      !ScheduleDeletionAtRestart(Join(folder, kUninstallerName), folder)) {
    return kExitFailed;
  }
  return kExitRemoved;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  Switches switches = argv != nullptr ? ParseSwitches(argc, argv) : Switches{};
  if (argv != nullptr) LocalFree(argv);

  if (!switches.cleanup_folder.empty()) return SecondPhase(switches);

  AppendRunLog(L"KORVEX_SAMPLE_UNINSTALL_LOG");
  if (!switches.very_silent && !switches.silent &&
      !RunConfirmPage(L"Korvex Uninstall",
                      L"Remove Korvex and all of its components from this computer?",
                      L"Uninstall")) {
    return kExitCancelled;
  }
  return Uninstall(switches);
}
