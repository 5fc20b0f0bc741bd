// The uninstaller executable, carried unchanged in read-only data of the
// setup program, between korvex_uninstaller_begin and korvex_uninstaller_end.
#include "runtime/asm_macros.h"

  .section .rdata,"dr"
  .balign 16
  .globl CSYM(korvex_uninstaller_begin)
CSYM(korvex_uninstaller_begin):
  .incbin KORVEX_UNINSTALLER_FILE
  .globl CSYM(korvex_uninstaller_end)
CSYM(korvex_uninstaller_end):
  .byte 0
