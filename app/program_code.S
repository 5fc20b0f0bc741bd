/* The program code block. The window template binds every event handler as
 * an offset from the code base, ProgramCode; relocation alone reaches each
 * routine through the jump placed at its offset. The entry routine sits at
 * offset 0. Gaps are filled with int3. */
#include "runtime/asm_macros.h"

  .text
  .balign 16
  .globl CSYM(ProgramCode)
CSYM(ProgramCode):

#define ROUTINE_AT(offset, target)            \
  .org CSYM(ProgramCode) + (offset), 0xCC;    \
  jmp target

#if defined(__x86_64__)
  ROUTINE_AT(0x0000, ProgramEntry)
  ROUTINE_AT(0x00C7, OnManualInstall)
  ROUTINE_AT(0x045B, OnMainWindowCreated)
  ROUTINE_AT(0x1A30, OnOneClickInstall)
  ROUTINE_AT(0x1E24, OnOneClickUninstall)
  ROUTINE_AT(0x1F0A, OnMainWindowClosing)
  ROUTINE_AT(0x2005, OnHotKeyFeedback)
#else
  /* Standard-call names carry their argument bytes. */
  ROUTINE_AT(0x0000, _ProgramEntry@0)
  ROUTINE_AT(0x00C7, _OnManualInstall@0)
  ROUTINE_AT(0x045B, _OnMainWindowCreated@0)
  ROUTINE_AT(0x1A30, _OnOneClickInstall@0)
  ROUTINE_AT(0x1E24, _OnOneClickUninstall@0)
  ROUTINE_AT(0x1F0A, _OnMainWindowClosing@0)
  ROUTINE_AT(0x2005, _OnHotKeyFeedback@8)
#endif
  .org CSYM(ProgramCode) + 0x2010, 0xCC
