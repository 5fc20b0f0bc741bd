/* The program image: the information block, the constant segment and the
   window template segment, all in read-only data.

   Preprocessed by the C compiler; the build defines KORVEX_WINDOW_TEMPLATE_FILE
   (and the payload files used by the constant segment) as quoted paths.
   The program is a 32-bit one, where every field is a word; a 64-bit build of
   the same sources (for the tests) widens the addresses and aligns them as
   runtime/program_image.h lays them out there. */
#include "runtime/asm_macros.h"
#include "runtime/program_numbers.h"

#if defined(__x86_64__)
#define ADDR_ALIGN .p2align 3
#else
#define ADDR_ALIGN .p2align 2
#endif

/* The counts of the block, one per row of the lists they count. */
        .set    .Llibrary_count, 0
#define LIBRARY(index, record) .set .Llibrary_count, .Llibrary_count + 1
#include "runtime/libraries.def"
        .set    .Ldeclared_count, 0
#define DECLARED_FUNCTION(name, module, export_name) \
        .set .Ldeclared_count, .Ldeclared_count + 1
#include "app/declared_functions.def"

        .section .rdata,"dr"

/* Thirteen fields, in the order of runtime/program_image.h. */
        .globl  CSYM(ProgramInformationBlock)
        ADDR_ALIGN
CSYM(ProgramInformationBlock):
        .long   KORVEX_PROGRAM_KIND_BUILT
        .long   0                               /* reserved */
        .long   KORVEX_PROGRAM_BUILD_NUMBER
        ADDR_ALIGN
        ADDR    CSYM(ProgramCode)               /* code base */
        ADDR    CSYM(ConstantSegmentStart)
        .long   CSYM(ConstantSegmentEnd) - CSYM(ConstantSegmentStart)
        ADDR_ALIGN
        ADDR    CSYM(WindowTemplateSegment)
        .long   WindowTemplateSegmentEnd - CSYM(WindowTemplateSegment)
        .long   .Llibrary_count
        ADDR_ALIGN
        ADDR    CSYM(ProgramLibraryTable)
        .long   .Ldeclared_count
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
