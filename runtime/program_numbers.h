/* The fixed numbers of the program information block. Plain definitions, so
 * that the assembled block (runtime/program_image.S) and the C++ side
 * (runtime/program_image.h) read the same ones. Read by the assembler: C
 * comments only. */
#pragma once

/* Program kind 2 would make error reports stop at a debugger break; a built
 * program is never of that kind. */
#define KORVEX_PROGRAM_KIND_BUILT 3
#define KORVEX_PROGRAM_BUILD_NUMBER 144197
