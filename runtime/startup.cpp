// The process entry of the program: the application runs the program's entry
// routine from the program image; when it returns (the last window has gone),
// the runtime is cleaned up and the process ends with exit code 0.
#include <windows.h>

#include "forms/form_engine.h"
#include "runtime/application.h"
#include "runtime/errors.h"
#include "runtime/program_image.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  korvex::RunApplication(&ProgramInformationBlock, korvex::forms::FormEngine());
  korvex::RunProgramEndCleanup();
  return 0;
}
