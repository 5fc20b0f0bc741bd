// Binding and calling the program's declared external functions.
#include "runtime/declared_functions.h"

#include <windows.h>

#include <cstring>
#include <string_view>
#include <utility>

#include "base/handles.h"
#include "base/text_format.h"
#include "runtime/call_protocol.h"
#include "runtime/errors.h"
#include "runtime/texts.h"

#if defined(__i386__)
// declared_call_i686.S
extern "C" uintptr_t korvex_declared_call(void* function, int32_t argc, const uintptr_t* argv,
                                          int32_t caller_cleans, int32_t* stack_mismatch);
#else
// A 64-bit build has a single calling convention in which the caller always
// removes the arguments, so there is no stack to check; up to twelve
// word-sized arguments are passed.
static uintptr_t korvex_declared_call(void* function, int32_t argc, const uintptr_t* argv, int32_t,
                                      int32_t* stack_mismatch) {
  uint64_t a[12] = {};
  for (int32_t i = 0; i < argc && i < 12; ++i) a[i] = argv[i];
  using Function = uint64_t (*)(uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t,
                                uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t);
  Function f;
  std::memcpy(&f, &function, sizeof f);
  *stack_mismatch = argc > 12 ? 1 : 0;
  return static_cast<uintptr_t>(
      f(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11]));
}
#endif

namespace korvex {
namespace {

DeclaredFunctionTable g_table;

// Names are cut to this many bytes in the messages.
constexpr size_t kNamePrecision = 260;

const char* OrEmpty(const char* s) {
  return s == nullptr ? "" : s;
}

std::string SystemFolder() {
  char buffer[MAX_PATH];
  UINT n = GetSystemDirectoryA(buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return std::string();
  return std::string(buffer, n);
}

std::string ProgramFolder() {
  char buffer[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return std::string();
  // The last backslash, stepping over double-byte characters.
  const char* last = nullptr;
  for (const char* p = buffer; *p != '\0'; p = CharNextA(p)) {
    if (*p == '\\') last = p;
  }
  return last == nullptr ? std::string() : std::string(buffer, static_cast<size_t>(last - buffer));
}

bool IsFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsPlainName(const char* name) {
  return std::strpbrk(name, "\\/:") == nullptr;
}

ModuleHandle LoadLibraryByName(const char* name) {
  for (const std::string& path : LibraryLoadCandidates(name)) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (module != nullptr) return ModuleHandle(module);
  }
  return ModuleHandle();
}

FARPROC LookUp(HMODULE module, const char* function_name) {
  int32_t ordinal = DeclaredOrdinal(function_name);
  if (ordinal >= 0) {
    return GetProcAddress(module, MAKEINTRESOURCEA(static_cast<WORD>(ordinal)));
  }
  return GetProcAddress(module, function_name);
}

void* AsAddress(FARPROC f) {
  void* p;
  static_assert(sizeof p == sizeof f);
  std::memcpy(&p, &f, sizeof p);
  return p;
}

// A name cut to kNamePrecision bytes for a message.
std::string_view ShortName(const char* name) {
  return std::string_view(name).substr(0, kNamePrecision);
}

[[noreturn]] void ReportNotFound(const char* library_name, const char* function_name) {
  char message[2 * kNamePrecision + 100];
  if (*library_name == '\0') {
    FormatText(message, sizeof message, kFunctionNotFoundFormat, {ShortName(function_name)});
  } else {
    FormatText(message, sizeof message, kLibraryFunctionNotFoundFormat,
               {ShortName(library_name), ShortName(function_name)});
  }
  ReportError(message, 0, 0, 0);
}

}  // namespace

void InitDeclaredFunctions(int32_t count, const char* const* module_names,
                           const char* const* function_names) {
  ReleaseDeclaredModules();
  if (count < 0 || module_names == nullptr || function_names == nullptr) count = 0;
  size_t n = static_cast<size_t>(count);
  g_table.module_names.assign(module_names, module_names + n);
  g_table.function_names.assign(function_names, function_names + n);
  g_table.addresses.assign(n, nullptr);
  g_table.modules.clear();
  g_table.modules.resize(n);
  Runtime().call_declared = CallDeclaredFunction;
  ProgramEndSteps().release_declared_modules = ReleaseDeclaredModules;
}

const DeclaredFunctionTable& DeclaredFunctions() {
  return g_table;
}

int32_t DeclaredOrdinal(const char* function_name) {
  if (function_name == nullptr || function_name[0] != '#') return -1;
  uint32_t value = 0;
  for (const char* p = function_name + 1; *p >= '0' && *p <= '9'; ++p) {
    value = (value * 10 + static_cast<uint32_t>(*p - '0')) & 0xFFFF;
  }
  return static_cast<int32_t>(value);
}

std::vector<std::string> LibraryLoadCandidates(const char* library_name) {
  std::vector<std::string> paths;
  if (library_name == nullptr || *library_name == '\0') return paths;
  if (std::strchr(library_name, ':') != nullptr) {
    paths.emplace_back(library_name);
    return paths;
  }
  if (IsPlainName(library_name)) {
    // A plain name: from the system folder only, never from beside the
    // program or from the current folder, where anyone who can drop a file
    // (a downloads folder) could plant one. A name the system folder does
    // not hold is not loaded at all.
    std::string system = SystemFolder();
    if (!system.empty()) {
      std::string path = system + "\\" + library_name;
      if (IsFile(path)) paths.push_back(path);
    }
    return paths;
  }
  std::string folder = ProgramFolder();
  if (!folder.empty()) paths.push_back(folder + "\\" + library_name);
  paths.emplace_back(library_name);
  return paths;
}

void* BindDeclaredFunction(int32_t index) {
  if (index < 0 || index >= g_table.count()) {
    char name[24];
    FormatText(name, sizeof name, "#%d", {DecimalText(index).view()});
    ReportNotFound("", name);
  }
  size_t i = static_cast<size_t>(index);
  if (g_table.addresses[i] != nullptr) return g_table.addresses[i];

  const char* library_name = OrEmpty(g_table.module_names[i]);
  const char* function_name = OrEmpty(g_table.function_names[i]);
  ModuleHandle module;
  FARPROC address = nullptr;
  if (*library_name == '\0') {
    for (const char* candidate : kSystemLibraryList) {
      module = LoadLibraryByName(candidate);
      if (!module.IsValid()) continue;
      address = LookUp(module.Get(), function_name);
      if (address != nullptr) break;
      module.Close();
    }
  } else {
    module = LoadLibraryByName(library_name);
    if (module.IsValid()) address = LookUp(module.Get(), function_name);
  }
  if (address == nullptr) {
    module.Close();
    ReportNotFound(library_name, function_name);
  }
  // Both or neither: the address and its module are stored together.
  g_table.modules[i] = std::move(module);
  g_table.addresses[i] = AsAddress(address);
  return g_table.addresses[i];
}

uintptr_t CallDeclaredFunction(int32_t index, int32_t argc, const uintptr_t* argv,
                               int32_t caller_cleans, uint32_t location, int32_t line) {
  void* function = BindDeclaredFunction(index);
  if (argc < 0 || argv == nullptr) argc = 0;
  int32_t stack_mismatch = 0;
  uintptr_t result = korvex_declared_call(function, argc, argv, caller_cleans, &stack_mismatch);
  if (stack_mismatch != 0) RaiseCodedError(kErrStackAfterDllCall, location, line);
  return result;
}

void ReleaseDeclaredModules() {
  for (ModuleHandle& module : g_table.modules) module.Close();
  g_table.addresses.assign(g_table.addresses.size(), nullptr);
}

bool RestrictDllSearchToSystem() {
  // The current folder leaves the standard search (and stays out of it where
  // the stricter setting below is missing).
  SetDllDirectoryW(L"");
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return false;
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  FARPROC proc = GetProcAddress(kernel, "SetDefaultDllDirectories");
  if (proc == nullptr) return false;
  SetDefaultDllDirectoriesFn set_directories;
  std::memcpy(&set_directories, &proc, sizeof set_directories);
  return set_directories(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */) != FALSE;
}

}  // namespace korvex
