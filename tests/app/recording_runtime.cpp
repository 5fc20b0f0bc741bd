#include "tests/app/recording_runtime.h"

#include <windows.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <utility>

#include "app/command_calls.h"
#include "app/routines.h"
#include "commands/command_ids.h"
#include "commands/commands.h"
#include "payload/constants.h"
#include "runtime/values.h"

namespace korvex::test {
namespace {

Recorder* g_current = nullptr;

std::string Hex(uint64_t v) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(v));
  return buffer;
}

std::string Narrow(const wchar_t* wide) {
  std::string out;
  if (wide == nullptr) return "NULL";
  for (; *wide != 0; ++wide) out += *wide < 0x80 ? static_cast<char>(*wide) : '?';
  return out;
}

// A predefined root key travels sign-extended to the machine word (where the
// entry's arguments are as wide as one).
std::string RootText(uintptr_t root) {
  const auto extended = static_cast<uintptr_t>(static_cast<intptr_t>(static_cast<int32_t>(root)));
  const bool word_wide = sizeof(app::DeclaredArg) == sizeof(uintptr_t);
  return Hex(static_cast<uint32_t>(root)) + (extended == root || !word_wide ? "" : "!unextended");
}

std::string RenderArg(const ArgRecord& a) {
  switch (a.tag) {
    case tag::kNone:
      return "-";
    case tag::kInt:
      return std::to_string(IntOf(a));
    case tag::kBool:
      return a.low != 0 ? "true" : "false";
    case tag::kText: {
      const char* text = PointerOf<char>(a);
      if (text == nullptr) return "NULL-TEXT";
      return Quoted(text);
    }
    case tag::kByteSet: {
      const void* p = PointerOf(a);
      if (p == nullptr) return "NULL-BYTES";
      if (p == InstallerImage) return "InstallerImage";
      if (p == SettingsImage) return "SettingsImage";
      if (p == EmptyArrayConstant) return "{}";
      return "bytes(" + std::to_string(ByteSetLength(p)) + ")";
    }
    case tag::kText | tag::kArrayFlag:
      return PointerOf(a) == &app::CommandLineArgs ? "&CommandLineArgs" : "text-array?";
    case forms::kUnitTypeWindow:
    case forms::kUnitTypeLabel:
      return "unit(" + Hex(a.low) + "," + Hex(a.high) + ":" + Hex(a.tag) + ")";
    default:
      return "tag" + Hex(a.tag) + "(" + Hex(a.low) + ")";
  }
}

const char* CommandName(int32_t library, int32_t command) {
  static const char* const kCore[] = {
      "Run",           "CommandLineArgs", "WriteFile",       "DeleteFile",
      "CreateFolder",  "RemoveFolder",    "FileExists",      "DeleteRegistryItem",
      "ToByteSet",     "GetByteSetData",  "BlankByteSet",    "PointerToByteSet",
      "ByteSetLength", "BitOr",           "GetWindowHandle", "WriteHeldFile"};
  static_assert(sizeof kCore / sizeof kCore[0] == kCoreCommandCount);
  switch (library) {
    case kCoreLibrary:
      return kCore[command];
    case kSpecialFunctionsLibrary:
      return "Delay";
    case kSystemInterfaceLibrary:
      return command == kSpecialFolderCmd ? "SpecialFolder" : "ShellOpen";
    case kExtensionOneLibrary:
      return command == kRegisterHotKeyCmd ? "RegisterHotKey" : "UnregisterHotKey";
    default:
      return "?";
  }
}

void SetText(ArgRecord* result, const std::string& text) {
  SetPointer(*result, NewText(text.data(), static_cast<int32_t>(text.size())));
  result->tag = tag::kText;
}

// --- The recording library table ---------------------------------------------
template <int32_t L, int32_t C>
void RecordingEntry(ArgRecord* result, int32_t count, ArgRecord* args) {
  Current().Command(L, C, result, count, args);
}

template <int32_t L, int32_t... C>
constexpr std::array<CommandEntry, sizeof...(C)> EntriesOf(std::integer_sequence<int32_t, C...>) {
  return {&RecordingEntry<L, C>...};
}

const auto kCoreEntries =
    EntriesOf<kCoreLibrary>(std::make_integer_sequence<int32_t, kCoreCommandCount>());
const auto kSpecialEntries =
    EntriesOf<kSpecialFunctionsLibrary>(std::make_integer_sequence<int32_t, 1>());
const auto kSystemEntries =
    EntriesOf<kSystemInterfaceLibrary>(std::make_integer_sequence<int32_t, 2>());
const auto kExtensionEntries =
    EntriesOf<kExtensionOneLibrary>(std::make_integer_sequence<int32_t, 2>());

LibraryRecord MakeRecord(int32_t count, const CommandEntry* entries) {
  LibraryRecord r{};
  r.format_mark = kLibraryFormatMark;
  r.command_count = count;
  r.command_entries = entries;
  return r;
}

const LibraryRecord kRecords[kLibraryCount] = {
    MakeRecord(kCoreCommandCount, kCoreEntries.data()),
    MakeRecord(0, nullptr),
    MakeRecord(1, kSpecialEntries.data()),
    MakeRecord(2, kSystemEntries.data()),
    MakeRecord(2, kExtensionEntries.data()),
};
const LibraryRecord* const kTable[kLibraryCount] = {&kRecords[0], &kRecords[1], &kRecords[2],
                                                    &kRecords[3], &kRecords[4]};

// --- Replacement runtime entries ---------------------------------------------
// Declared-function arguments as the entry table passes them (machine words).
using DeclaredArg = app::DeclaredArg;
using DeclaredResult = decltype(Runtime().call_declared(0, 0, nullptr, 0, 0, 0));

DeclaredResult RecordingDeclared(int32_t index, int32_t argc, const DeclaredArg* argv,
                                 int32_t cleans, uint32_t, int32_t) {
  uintptr_t words[16] = {};
  for (int32_t i = 0; i < argc && i < 16; ++i) words[i] = static_cast<uintptr_t>(argv[i]);
  return static_cast<DeclaredResult>(Current().Declared(index, argc, words, cleans));
}

void RecordingWriteProperty(uint32_t window, uint32_t unit, int32_t property, int32_t index,
                            uint32_t low, uint32_t high) {
  Current().Add("WriteProperty(" + Hex(window) + "," + Hex(unit) + "," + std::to_string(property) +
                "," + std::to_string(index) + "," + std::to_string(low) + "," +
                std::to_string(high) + ")");
}

void RecordingEnd(uint32_t code) {
  Current().Add("End(" + std::to_string(code) + ")");
}

void RecordingError(int32_t code, uint32_t, int32_t) {
  Current().Add("Error(" + std::to_string(code) + ")");
}

intptr_t RecordingService(int32_t number, intptr_t a, intptr_t, intptr_t, intptr_t) {
  Current().Add("Service(" + std::to_string(number) + ")");
  if (number == 3) Current().cleanup_routine = reinterpret_cast<void (*)()>(a);
  return 0;
}

void RecordingLoadWindow(uint32_t id) {
  Current().Add("LoadStartupWindow(" + Hex(id) + ")");
}
void RecordingRun() {
  Current().Add("Run()");
}

}  // namespace

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

Recorder& Current() {
  return *g_current;
}

Recorder::Recorder() : saved_(Runtime()) {
  g_current = this;
  SetLibraryTable(kTable, kLibraryCount);
  RuntimeEntryTable& rt = Runtime();
  rt.call_declared = RecordingDeclared;
  rt.write_property = RecordingWriteProperty;
  rt.end_program = RecordingEnd;
  rt.report_error = RecordingError;
  rt.service = RecordingService;
  rt.load_startup_window = RecordingLoadWindow;
  rt.run = RecordingRun;
}

Recorder::~Recorder() {
  Runtime() = saved_;
  SetLibraryTable(nullptr, 0);
  g_current = nullptr;
}

void Recorder::Command(int32_t library, int32_t command, ArgRecord* result, int32_t count,
                       ArgRecord* args) {
  std::string call = CommandName(library, command);
  call += "(";
  for (int32_t i = 0; i < count; ++i) {
    if (i > 0) call += ",";
    // Addresses handed to PointerToByteSetCmd differ from run to run.
    call += library == kCoreLibrary && command == kPointerToByteSetCmd && i == 0
                ? "@"
                : RenderArg(args[i]);
  }
  call += ")";
  calls.push_back(call);

  // Byte-set helpers compute for real.
  if (library == kCoreLibrary) {
    switch (command) {
      case kToByteSetCmd:
        return ToByteSetCmd(result, count, args);
      case kGetByteSetDataCmd:
        return GetByteSetDataCmd(result, count, args);
      case kBlankByteSetCmd:
        return BlankByteSetCmd(result, count, args);
      case kPointerToByteSetCmd:
        return PointerToByteSetCmd(result, count, args);
      case kByteSetLengthCmd:
        return ByteSetLengthCmd(result, count, args);
      case kBitOrCmd:
        return BitOrCmd(result, count, args);
      default:
        break;
    }
  }

  if (library == kSpecialFunctionsLibrary && command == kDelayCmd) {
    const int32_t ms = IntOf(args[0]);
    auto hook = script.during_delay.find(ms);
    if (hook != script.during_delay.end() && delays_run_.insert(ms).second) hook->second();
    return;
  }
  if (library == kCoreLibrary && command == kCommandLineArgsCmd) {
    // Replaces the variable's array, like the real command, also when failing.
    void** variable = PointerOf<void*>(args[0]);
    const int32_t n = script.commands_fail ? 0 : static_cast<int32_t>(script.arguments.size());
    auto* array = static_cast<uint8_t*>(Allocate(8 + n * kPointerElementWidth));
    const int32_t header[2] = {1, n};
    std::memcpy(array, header, sizeof header);
    for (int32_t i = 0; i < n; ++i) {
      const auto& argument = script.arguments[i];
      char* text =
          argument ? NewText(argument->data(), static_cast<int32_t>(argument->size())) : nullptr;
      std::memcpy(array + 8 + i * kPointerElementWidth, &text, sizeof text);
    }
    FreeArrayValue(args[0].tag, *variable);
    *variable = array;
    return;
  }
  if (script.commands_fail) return;  // false, 0 or null

  if (library == kSystemInterfaceLibrary && command == kSpecialFolderCmd) {
    if (IntOf(args[0]) == 8 && script.app_data) SetText(result, *script.app_data);
    if (IntOf(args[0]) == 9 && script.windows_folder) SetText(result, *script.windows_folder);
    return;
  }
  if (library == kCoreLibrary && command == kGetWindowHandleCmd) {
    SetIntResult(result, args[0].high == app::kHotKeyLabelUnit ? 0x20020 : 0x10010);
    return;
  }
  if (library == kExtensionOneLibrary && command == kRegisterHotKeyCmd) {
    SetIntResult(result, next_hot_key_++);
    return;
  }
  if (library == kCoreLibrary && command == kFileExistsCmd) {
    SetBoolResult(result, script.existing_files.count(PointerOf<char>(args[0])) != 0);
    return;
  }
  if (library == kSystemInterfaceLibrary && command == kShellOpenCmd) return;
  if (library == kCoreLibrary && command == kWriteHeldFileCmd && !script.held_writes.empty()) {
    SetBoolResult(result, script.held_writes.front());
    script.held_writes.erase(script.held_writes.begin());
    return;
  }
  SetBoolResult(result, true);
}

uintptr_t Recorder::Declared(int32_t index, int32_t argc, const uintptr_t* argv,
                             int32_t caller_cleans) {
  auto ptr = [&](int32_t i) { return reinterpret_cast<void*>(static_cast<uintptr_t>(argv[i])); };
  std::string call;
  uintptr_t result = 0;
  std::string arity(1, '/');
  arity += std::to_string(argc);
  if (caller_cleans != 0) arity += 'c';
  switch (index) {
    case app::kDisableFsRedirection:
      call = "Wow64DisableWow64FsRedirection(" +
             std::string(argv[0] == app::Address(&app::RedirectionState) ? "&RedirectionState"
                                                                         : Hex(argv[0])) +
             ")";
      result = 1;
      break;
    case app::kStrlen:
      result = static_cast<uint32_t>(std::strlen(static_cast<const char*>(ptr(0))));
      call = "strlen(" + Quoted(static_cast<const char*>(ptr(0))) + ")";
      break;
    case app::kMultiByteToWideChar:
      result = static_cast<uint32_t>(MultiByteToWideChar(
          argv[0], argv[1], static_cast<const char*>(ptr(2)), static_cast<int>(argv[3]),
          static_cast<wchar_t*>(ptr(4)), static_cast<int>(argv[5])));
      call = "MultiByteToWideChar(" + std::to_string(argv[0]) + "," + Hex(argv[1]) + "," +
             Quoted(static_cast<const char*>(ptr(2))) + "," + std::to_string(int32_t(argv[3])) +
             "," + (argv[4] == 0 ? "null" : "buffer") + "," + std::to_string(argv[5]) + ")";
      break;
    case app::kRegOpenKeyExW:
      call = "RegOpenKeyExW(" + RootText(argv[0]) + "," +
             Quoted(Narrow(static_cast<wchar_t*>(ptr(1)))) + "," + std::to_string(argv[2]) + "," +
             Hex(argv[3]) + ")";
      if (script.uninstall_key_exists) {
        const uintptr_t handle = 0x4321;
        std::memcpy(ptr(4), &handle, sizeof handle);
        result = 0;
      } else {
        result = ERROR_FILE_NOT_FOUND;
      }
      break;
    case app::kRegQueryValueExW: {
      const bool sizing = argv[4] == 0;
      call = "RegQueryValueExW(" + Hex(argv[0]) + "," +
             Quoted(Narrow(static_cast<wchar_t*>(ptr(1)))) + "," + (sizing ? "size" : "data") + ")";
      if (!script.install_location) {
        result = ERROR_FILE_NOT_FOUND;
        break;
      }
      const uint32_t bytes = static_cast<uint32_t>(script.install_location->size() * 2);
      uint32_t room = 0;
      std::memcpy(&room, ptr(5), sizeof room);
      if (!sizing)
        std::memcpy(ptr(4), script.install_location->data(), room < bytes ? room : bytes);
      std::memcpy(ptr(5), &bytes, sizeof bytes);
      const uint32_t type = REG_SZ;
      std::memcpy(ptr(3), &type, sizeof type);
      result = 0;
      break;
    }
    case app::kRegCloseKey:
      call = "RegCloseKey(" + Hex(argv[0]) + ")";
      break;
    case app::kLstrlenW:
      result = static_cast<uint32_t>(lstrlenW(static_cast<const wchar_t*>(ptr(0))));
      call = "lstrlenW";
      break;
    case app::kWideCharToMultiByte:
      result = static_cast<uint32_t>(WideCharToMultiByte(
          argv[0], argv[1], static_cast<const wchar_t*>(ptr(2)), static_cast<int>(argv[3]),
          static_cast<char*>(ptr(4)), static_cast<int>(argv[5]), static_cast<const char*>(ptr(6)),
          static_cast<BOOL*>(ptr(7))));
      // The default character and the used-default flag: null, or the
      // character given and an address.
      call = "WideCharToMultiByte(" + std::to_string(argv[0]) + "," + Hex(argv[1]) + "," +
             (argv[4] == 0 ? "null" : "buffer") + "," + std::to_string(argv[5]) + "," +
             (argv[6] == 0 ? "null" : Quoted(std::string(1, *static_cast<const char*>(ptr(6))))) +
             "," + (argv[7] == 0 ? "null" : "flag") + ")";
      break;
    default:
      call = "Declared" + std::to_string(index);
      break;
  }
  calls.push_back(call + arity);
  return result;
}

}  // namespace korvex::test
