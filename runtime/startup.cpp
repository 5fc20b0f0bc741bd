// The process entry of the program: the library search is restricted to the
// system folder, then the C runtime starts and calls WinMain; the application
// runs the program's entry routine from the program image; when it returns
// (the last window has gone), the runtime is cleaned up and the process ends
// with exit code 0.
#include <windows.h>

#include "forms/form_engine.h"
#include "runtime/application.h"
#include "runtime/declared_functions.h"
#include "runtime/errors.h"
#include "runtime/program_image.h"

// The C runtime's entry of a GUI program, which the linker would otherwise
// make the process entry.
extern "C" int WinMainCRTStartup();

// The process entry (the linker's --entry). Nothing of the program has run
// yet: the C runtime's start-up and the static constructors come after the
// restriction, so no library they or the system load on their behalf is
// looked for in the program's folder or the current folder. (The libraries
// the program imports are loaded before any entry runs: they are ones the
// system takes from its own folder only.)
extern "C" int KorvexProcessEntry() {
  korvex::RestrictDllSearchToSystem();
  return WinMainCRTStartup();
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  korvex::RunApplication(&ProgramInformationBlock, korvex::forms::FormEngine());
  korvex::RunProgramEndCleanup();
  return 0;
}
