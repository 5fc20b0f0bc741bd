/* The program image: the information block, the constant segment and the
   window template segment, all in read-only data.

   Preprocessed by the C compiler; the build defines KORVEX_WINDOW_TEMPLATE_FILE
   (and the payload files used by the constant segment) as quoted paths.
   The program is a 32-bit one, where every field is a word; a 64-bit build of
   the same sources (for the tests) widens the addresses and aligns them as
   runtime/program_image.h lays them out there. */
#include "runtime/asm_macros.h"

#if defined(__x86_64__)
#define ADDR_ALIGN .p2align 3
#else
#define ADDR_ALIGN .p2align 2
#endif

        .section .rdata,"dr"

/* Thirteen fields, in the order of runtime/program_image.h. */
        .globl  CSYM(ProgramInformationBlock)
        ADDR_ALIGN
CSYM(ProgramInformationBlock):
        .long   3                               /* program kind */
        .long   0                               /* reserved */
        .long   144197                          /* build number */
        ADDR_ALIGN
        ADDR    CSYM(ProgramCode)               /* code base */
        ADDR    CSYM(ConstantSegmentStart)
        .long   CSYM(ConstantSegmentEnd) - CSYM(ConstantSegmentStart)
        ADDR_ALIGN
        ADDR    CSYM(WindowTemplateSegment)
        .long   WindowTemplateSegmentEnd - CSYM(WindowTemplateSegment)
        .long   5                               /* library count */
        ADDR_ALIGN
        ADDR    CSYM(ProgramLibraryTable)
        .long   8                               /* declared external functions */
        ADDR_ALIGN
        ADDR    CSYM(DeclaredModuleNames)
        ADDR    CSYM(DeclaredFunctionNames)

        .globl  CSYM(WindowTemplateSegmentSize)
        .p2align 2
CSYM(WindowTemplateSegmentSize):
        .long   WindowTemplateSegmentEnd - CSYM(WindowTemplateSegment)

        .p2align 4
#include "payload/constant_segment.inc"

        .p2align 2
        .globl  CSYM(WindowTemplateSegment)
CSYM(WindowTemplateSegment):
        .incbin KORVEX_WINDOW_TEMPLATE_FILE
WindowTemplateSegmentEnd:
