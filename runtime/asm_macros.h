/* Shared by the assembler files so that they assemble for 32-bit and 64-bit
   Windows alike: C symbol names (leading underscore on 32-bit) and the width
   of an address. */
#pragma once

#if defined(__x86_64__)
#define CSYM(name) name
#define ADDR .quad
#else
#define CSYM(name) _##name
#define ADDR .long
#endif
