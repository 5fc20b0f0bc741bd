/* A program that the end-to-end tests plant under the name of a program the
 * system provides (cmd.exe, explorer.exe) or one the shell might find for a
 * folder name (Tessaranvolk.exe). Run, it leaves a mark (planted_mark.h) and
 * does nothing else. */
#include "planted_mark.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
  (void)instance;
  (void)previous;
  (void)line;
  (void)show;
  LeavePlantedMark(NULL, L".ran");
  return 0;
}
