/* The program code block. The window template binds every event handler as
 * an offset from the code base, _ProgramCode; relocation alone reaches each
 * routine through the jump placed at its offset. The entry routine sits at
 * offset 0. Gaps are filled with int3. */

  .text
  .balign 16
  .globl _ProgramCode
_ProgramCode:

#define ROUTINE_AT(offset, target) \
  .org _ProgramCode + (offset), 0xCC; \
  jmp target

  ROUTINE_AT(0x0000, _ProgramEntry@0)
  ROUTINE_AT(0x00C7, _OnManualInstall@0)
  ROUTINE_AT(0x045B, _OnMainWindowCreated@0)
  ROUTINE_AT(0x1A30, _OnOneClickInstall@0)
  ROUTINE_AT(0x1E24, _OnOneClickUninstall@0)
  ROUTINE_AT(0x1F0A, _OnMainWindowClosing@0)
  ROUTINE_AT(0x2005, _OnHotKeyFeedback@8)
  .org _ProgramCode + 0x2010, 0xCC
