// The sample setup program. It puts a small Korvex installation on the
// machine the way the product's installer does as far as the front-end
// relies on it: the program folder with unins000.exe, the uninstall entry in
// the 64-bit registry view, the application-data folder and the "New" menu
// entries of three archive types.
//
// Switches (any case, any order, unknown ones ignored): /verysilent shows no
// window; /sp-, /suppressmsgboxes, /norestart and /silent are accepted.
// Exit codes: exit_codes.h.
// KORVEX_SAMPLE_SETUP_LOG names a file that gets one line per run with the
// command line; KORVEX_SAMPLE_SETUP_START_LOG one that gets the startup
// information's flags and show state in front of it.
//
// Like the product's installer, it opens its own file at start, for reading
// and sharing reading only, keeps it open while it runs and fails (kExitFailed)
// when it cannot. KORVEX_SAMPLE_SETUP_SELF_LOG names a file that gets one
// line per run: the SHA-256 digest of its own file as read through that
// handle (lowercase hex), or "unreadable".
#include "sample_common.h"

#include <shellapi.h>
#include <wincrypt.h>

#include "base/file_io.h"
#include "exit_codes.h"

extern "C" const unsigned char korvex_uninstaller_begin[];
extern "C" const unsigned char korvex_uninstaller_end[];

namespace {

using namespace korvex_sample;

constexpr char kReadme[] =
    "Korvex 5.6.1.10516\r\n"
    "\r\n"
    "This folder holds a sample installation of Korvex. Run unins000.exe to\r\n"
    "remove it again.\r\n";

// The SHA-256 digest of the file behind `file`, from its start, in lowercase
// hex; empty when it cannot be read.
std::string DigestOf(HANDLE file) {
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
    return {};
  }
  std::string hex;
  HCRYPTHASH hash = 0;
  if (CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) {
    static BYTE buffer[64 * 1024];
    DWORD got = 0;
    bool read = SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0;
    while (read && (read = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE) &&
           got > 0) {
      if (!CryptHashData(hash, buffer, got, 0)) read = false;
    }
    BYTE digest[32];
    DWORD size = sizeof digest;
    if (read && CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) && size == sizeof digest) {
      static const char kHex[] = "0123456789abcdef";
      for (BYTE b : digest) {
        hex += kHex[b >> 4];
        hex += kHex[b & 15];
      }
    }
    CryptDestroyHash(hash);
  }
  CryptReleaseContext(provider, 0);
  return hex;
}

// What this run made, so that a failure can take it back.
struct Progress {
  std::wstring folder;
  bool folder_made = false;
  InstallRecord made;
};

void RollBack(const Progress& progress) {
  RemoveShellNewEntries(progress.made.shell_new);
  RemoveAppDataFolder(progress.made);
  if (progress.folder_made) RemoveInstalledFiles(progress.folder, true);
}

bool MakeFolder(const std::wstring& path, bool* made) {
  *made = CreateDirectoryW(path.c_str(), nullptr) != FALSE;
  return *made || IsFolder(path);
}

bool RegisterShellNew(int index, uint32_t* made) {
  const ShellNewEntry& entry = ShellNewAt(index);
  std::wstring path = std::wstring(entry.classes) + L"\\" + entry.extension;
  korvex::RegistryKey extension;
  bool extension_made = false;
  if (extension.Create(entry.root, path.c_str(), KEY_CREATE_SUB_KEY, &extension_made) !=
      ERROR_SUCCESS) {
    return false;
  }
  if (extension_made) *made |= ShellNewBits(index, kMadeExtension);
  korvex::RegistryKey shell_new;
  bool shell_new_made = false;
  if (shell_new.Create(extension.Get(), L"ShellNew", KEY_QUERY_VALUE | KEY_SET_VALUE,
                       &shell_new_made) != ERROR_SUCCESS) {
    return false;
  }
  if (shell_new_made) *made |= ShellNewBits(index, kMadeShellNew);
  if (HasValue(shell_new.Get(), L"NullFile")) return true;
  if (SetTextValue(shell_new.Get(), L"NullFile", L"") != ERROR_SUCCESS) return false;
  *made |= ShellNewBits(index, kMadeNullFile);
  return true;
}

bool WriteUninstallEntry(const Progress& progress, const InstallRecord& previous) {
  korvex::RegistryKey key;
  bool key_made = false;
  if (key.Create(HKEY_LOCAL_MACHINE, kUninstallKey,
                 KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, &key_made) != ERROR_SUCCESS) {
    return false;
  }
  auto text = [&key](const wchar_t* name, const std::wstring& value) {
    return SetTextValue(key.Get(), name, value) == ERROR_SUCCESS;
  };
  auto number = [&key](const wchar_t* name, DWORD value) {
    return SetNumberValue(key.Get(), name, value) == ERROR_SUCCESS;
  };
  const std::wstring uninstaller = Join(progress.folder, kUninstallerName);
  const std::wstring quoted = L"\"" + uninstaller + L"\"";
  bool ok = text(L"DisplayName", kDisplayName) && text(L"DisplayVersion", kDisplayVersion) &&
            text(L"Publisher", kPublisher) && text(L"InstallLocation", progress.folder + L"\\") &&
            text(L"UninstallString", quoted) &&
            text(L"QuietUninstallString", quoted + L" /verysilent") &&
            text(L"DisplayIcon", uninstaller) && number(L"NoModify", 1) && number(L"NoRepair", 1) &&
            number(kShellNewMadeValue, previous.shell_new | progress.made.shell_new) &&
            number(kAppDataMadeValue, previous.app_data_folder || progress.made.app_data_folder);
  if (!ok && key_made) {
    key.Close();
    RemoveUninstallKey();
  }
  return ok;
}

bool Install(Progress* progress) {
  std::wstring program_files = ProgramFiles64();
  if (program_files.empty()) return false;
  progress->folder = Join(program_files, kProductFolder);
  if (!MakeFolder(progress->folder, &progress->folder_made)) return false;

  const size_t uninstaller_size =
      static_cast<size_t>(korvex_uninstaller_end - korvex_uninstaller_begin);
  const std::wstring uninstaller = Join(progress->folder, kUninstallerName);
  const std::wstring readme = Join(progress->folder, kReadmeName);
  if (!korvex::WriteWholeFile(uninstaller.c_str(), {korvex_uninstaller_begin, uninstaller_size}) ||
      !korvex::WriteWholeFile(readme.c_str(),
                              {reinterpret_cast<const uint8_t*>(kReadme), sizeof(kReadme) - 1})) {
    return false;
  }

  std::wstring app_data = AppDataFolder();
  if (app_data.empty()) return false;
  if (!MakeFolder(Join(app_data, kProductFolder), &progress->made.app_data_folder)) return false;

  for (int i = 0; i < kShellNewCount; ++i) {
    if (!RegisterShellNew(i, &progress->made.shell_new)) return false;
  }

  // The uninstall entry comes last: it is what tells the world the product
  // is installed.
  InstallRecord previous = ReadInstallRecord();
  return WriteUninstallEntry(*progress, previous);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  AppendRunLog(L"KORVEX_SAMPLE_SETUP_LOG");
  AppendStartLog(L"KORVEX_SAMPLE_SETUP_START_LOG");
  korvex::KernelHandle own_file(CreateFileW(ModulePath().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                            nullptr));
  const std::string digest = own_file.IsValid() ? DigestOf(own_file.Get()) : std::string();
  AppendLogLine(L"KORVEX_SAMPLE_SETUP_SELF_LOG", digest.empty() ? "unreadable" : digest);
  if (digest.empty()) return kExitFailed;
  if (EnvironmentFlag(L"KORVEX_SAMPLE_SETUP_FAIL")) return kExitForcedFailure;

  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  Switches switches = argv != nullptr ? ParseSwitches(argc, argv) : Switches{};
  if (argv != nullptr) LocalFree(argv);

  if (!switches.very_silent &&
      !RunConfirmPage(L"Korvex", L"Setup will install Korvex 5.6.1.10516 on this computer.",
                      L"Install")) {
    return kExitCancelled;
  }

  Progress progress;
  if (!Install(&progress)) {
    RollBack(progress);
    ShowError(switches, L"Korvex", L"Korvex could not be installed.");
    return kExitFailed;
  }
  return kExitInstalled;
}
