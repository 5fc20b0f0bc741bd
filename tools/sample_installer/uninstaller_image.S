// The uninstaller executable, carried unchanged in read-only data of the
// setup program, between korvex_uninstaller_begin and korvex_uninstaller_end.
#define KORVEX_PASTE2(a, b) a##b
#define KORVEX_PASTE(a, b) KORVEX_PASTE2(a, b)
#define KORVEX_SYMBOL(name) KORVEX_PASTE(__USER_LABEL_PREFIX__, name)

  .section .rdata,"dr"
  .balign 16
  .globl KORVEX_SYMBOL(korvex_uninstaller_begin)
KORVEX_SYMBOL(korvex_uninstaller_begin):
  .incbin KORVEX_UNINSTALLER_FILE
  .globl KORVEX_SYMBOL(korvex_uninstaller_end)
KORVEX_SYMBOL(korvex_uninstaller_end):
  .byte 0
