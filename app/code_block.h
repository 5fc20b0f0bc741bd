/* Assembler macros of a program code block: the block starts at the code
 * base, ProgramCode, and holds at each routine's offset a jump to the routine,
 * so that the offsets a window template binds reach the routines through
 * relocation alone. Gaps are filled with int3. */
#pragma once

/* Assembler, not C++: left as written. */
/* clang-format off */

#include "runtime/asm_macros.h"

#define CODE_BLOCK_BEGIN    \
  .text;                    \
  .balign 16;               \
  .globl CSYM(ProgramCode); \
  CSYM(ProgramCode):

/* A jump to `target` (a symbol) at `offset`. */
#define ROUTINE_AT(offset, target)         \
  .org CSYM(ProgramCode) + (offset), 0xCC; \
  jmp target

/* A jump to the standard-call routine `name` at `offset`: on 32-bit Windows
   its symbol carries the bytes of arguments it removes (_name@bytes). The
   assembler forms that name, since "@" is no token of the preprocessor. */
#define STDCALL_ROUTINE_AT(offset, name, argument_bytes) \
  .org CSYM(ProgramCode) + (offset), 0xCC;               \
  jmp_stdcall name, argument_bytes

/* Pads the block with int3 up to `size` bytes. */
#define CODE_BLOCK_END(size) .org CSYM(ProgramCode) + (size), 0xCC

  .macro jmp_stdcall name, argument_bytes
#if defined(__x86_64__)
  jmp \name
#else
  jmp _\name\()@\argument_bytes
#endif
  .endm
