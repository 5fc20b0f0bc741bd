/* A code block for the tests: a recording routine Test<Name> at the offset of
 * each routine of the program layout, so that the events of the generated
 * window template reach them through relocation alone, as in the real
 * program. */
#include "app/code_block.h"

  CODE_BLOCK_BEGIN
#define ROUTINE(name, offset, argument_bytes) \
  STDCALL_ROUTINE_AT(offset, Test##name, argument_bytes);
#include "app/program_layout.def"
  /* Routines of a second test window that binds every window event. */
  ROUTINE_AT(0x3000, CSYM(TestOnWindowEvent0))
  ROUTINE_AT(0x3010, CSYM(TestOnWindowEvent1))
  ROUTINE_AT(0x3020, CSYM(TestOnWindowEvent2))
  ROUTINE_AT(0x3030, CSYM(TestOnWindowEvent3))
  ROUTINE_AT(0x3040, CSYM(TestOnWindowEvent4))
  ROUTINE_AT(0x3050, CSYM(TestOnWindowEvent12))
  ROUTINE_AT(0x3060, CSYM(TestOnWindowEvent5))
  ROUTINE_AT(0x3070, CSYM(TestOnWindowEvent6))
  /* The elapsed milliseconds, removed by the routine itself. */
  STDCALL_ROUTINE_AT(0x3080, TestOnIdle, 4)
  ROUTINE_AT(0x3090, CSYM(TestOnWindowEvent8))
  ROUTINE_AT(0x30A0, CSYM(TestOnWindowEvent10))
  ROUTINE_AT(0x30B0, CSYM(TestOnWindowEvent11))
  CODE_BLOCK_END(0x30C0)
