// The program's declared external functions, by index. The runtime binds
// each on its first call (module name, export name).
#include "app/routines.h"

extern "C" {
const char* const DeclaredModuleNames[kDeclaredFunctionCount] = {
    "Kernel32.dll", "msvcrt.dll",   "Kernel32.dll", "advapi32.dll",
    "advapi32.dll", "advapi32.dll", "kernel32.dll", "kernel32.dll",
};
const char* const DeclaredFunctionNames[kDeclaredFunctionCount] = {
    "Wow64DisableWow64FsRedirection",
    "strlen",
    "MultiByteToWideChar",
    "RegOpenKeyExW",
    "RegQueryValueExW",
    "RegCloseKey",
    "lstrlenW",
    "WideCharToMultiByte",
};
}
