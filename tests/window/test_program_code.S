/* A code block for the tests: the routines of the test program sit at the
 * offsets that the generated window template binds, so that events reach
 * them through relocation alone, as in the real program. */
#include "runtime/asm_macros.h"

  .text
  .balign 16
  .globl CSYM(ProgramCode)
CSYM(ProgramCode):

#define ROUTINE_AT(offset, target)            \
  .org CSYM(ProgramCode) + (offset), 0xCC;    \
  jmp target

  ROUTINE_AT(0x0000, CSYM(TestProgramEntry))
  ROUTINE_AT(0x00C7, CSYM(TestOnButton3))
  ROUTINE_AT(0x045B, CSYM(TestOnWindowCreated))
  ROUTINE_AT(0x1A30, CSYM(TestOnButton1))
  ROUTINE_AT(0x1E24, CSYM(TestOnButton2))
  ROUTINE_AT(0x1F0A, CSYM(TestOnCloseQuery))
#if defined(__x86_64__)
  ROUTINE_AT(0x2005, TestOnHotKey)
#else
  /* Two 32-bit arguments that the routine removes itself. */
  ROUTINE_AT(0x2005, _TestOnHotKey@8)
#endif
  /* Routines of a second test window that binds every window event. */
  ROUTINE_AT(0x3000, CSYM(TestOnWindowEvent0))
  ROUTINE_AT(0x3010, CSYM(TestOnWindowEvent1))
  ROUTINE_AT(0x3020, CSYM(TestOnWindowEvent2))
  ROUTINE_AT(0x3030, CSYM(TestOnWindowEvent3))
  ROUTINE_AT(0x3040, CSYM(TestOnWindowEvent4))
  ROUTINE_AT(0x3050, CSYM(TestOnWindowEvent12))
  ROUTINE_AT(0x3060, CSYM(TestOnWindowEvent5))
  ROUTINE_AT(0x3070, CSYM(TestOnWindowEvent6))
#if defined(__x86_64__)
  ROUTINE_AT(0x3080, TestOnIdle)
#else
  /* The elapsed milliseconds, removed by the routine itself. */
  ROUTINE_AT(0x3080, _TestOnIdle@4)
#endif
  ROUTINE_AT(0x3090, CSYM(TestOnWindowEvent8))
  ROUTINE_AT(0x30A0, CSYM(TestOnWindowEvent10))
  ROUTINE_AT(0x30B0, CSYM(TestOnWindowEvent11))
  .org CSYM(ProgramCode) + 0x30C0, 0xCC
