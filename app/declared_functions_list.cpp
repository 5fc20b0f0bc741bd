// The program's declared external functions, by index, for the program image.
#include "app/routines.h"

extern "C" {
const char* const DeclaredModuleNames[kDeclaredFunctionCount] = {
#define DECLARED_FUNCTION(name, module, export_name) module,
#include "app/declared_functions.def"
};
const char* const DeclaredFunctionNames[kDeclaredFunctionCount] = {
#define DECLARED_FUNCTION(name, module, export_name) export_name,
#include "app/declared_functions.def"
};
}
