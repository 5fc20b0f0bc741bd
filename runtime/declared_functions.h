// The program's declared external functions: bound on first call from the
// module and export names the program image lists, called through a thunk
// that checks the stack. Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/handles.h"

namespace korvex {

struct DeclaredFunctionTable {
  std::vector<const char*> module_names;    // empty: the system library list is searched
  std::vector<const char*> function_names;  // export name or "#" + decimal ordinal
  std::vector<void*> addresses;             // null until bound
  std::vector<ModuleHandle> modules;        // the module, none until bound
  int32_t count() const { return static_cast<int32_t>(addresses.size()); }
};

// Libraries searched in this order for a function declared without a library.
inline constexpr const char* kSystemLibraryList[] = {"Kernel32.dll", "Gdi32.dll", "User32.dll",
                                                     "Advapi32.dll", "Mpr.dll",   "Shell32.dll"};

// Sets up the table from the program image's lists (names are not copied: they
// live in the image) and hooks the call entry and the release at program end.
void InitDeclaredFunctions(int32_t count, const char* const* module_names,
                           const char* const* function_names);
const DeclaredFunctionTable& DeclaredFunctions();

// The address of function `index`, binding it on first use. A function that
// cannot be found is a runtime error that ends the program.
void* BindDeclaredFunction(int32_t index);

// Calls function `index` with 32-bit arguments (first argument first) and
// returns its integer result. caller_cleans: the function leaves its arguments
// on the stack for the caller to remove. A stack pointer that differs after the
// call raises runtime error 6 at the calling routine's location and line.
uintptr_t CallDeclaredFunction(int32_t index, int32_t argc, const uintptr_t* argv,
                               int32_t caller_cleans, uint32_t location, int32_t line);

// Releases every module held in the table and forgets the addresses bound
// from them (program end).
void ReleaseDeclaredModules();

// Takes the current folder out of the process's library search and restricts
// the default search to the system folder where the platform offers it; false
// where it does not. Called first thing at the process entry.
bool RestrictDllSearchToSystem();

// The files the binding asks the platform to load for a library name, in order:
// a plain name by its full path in the system folder, and nothing when the
// system folder does not hold it; a relative path from the program's folder,
// then as given; a name with ":" only as given.
std::vector<std::string> LibraryLoadCandidates(const char* library_name);

// The ordinal of a "#n" function name (low 16 bits of n); -1 for a plain name.
int32_t DeclaredOrdinal(const char* function_name);

}  // namespace korvex
