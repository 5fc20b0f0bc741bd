/* A library that the end-to-end tests plant beside the program under the
 * name of a system library. Loaded, it leaves a mark (planted_mark.h) and
 * refuses to stay loaded, so that nothing of it runs beyond the mark. */
#include "planted_mark.h"

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  LeavePlantedMark(self, L".loaded");
  return FALSE;
}
