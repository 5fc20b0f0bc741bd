/* The program image: the information block, the constant segment and the
   window template segment, all in read-only data.

   Preprocessed by the C compiler; the build defines KORVEX_WINDOW_TEMPLATE_FILE
   (and the payload files used by the constant segment) as quoted paths.
   Symbols of C and C++ carry a leading underscore on this target. */

        .section .rdata,"dr"

/* Thirteen words, in the order runtime/program_image.h describes. */
        .globl  _ProgramInformationBlock
        .p2align 2
_ProgramInformationBlock:
        .long   3                               /* program kind */
        .long   0                               /* reserved */
        .long   144197                          /* build number */
        .long   _ProgramCode                    /* code base */
        .long   _ConstantSegmentStart
        .long   _ConstantSegmentEnd - _ConstantSegmentStart
        .long   _WindowTemplateSegment
        .long   _WindowTemplateSegmentEnd - _WindowTemplateSegment
        .long   5                               /* library count */
        .long   _ProgramLibraryTable
        .long   8                               /* declared external functions */
        .long   _DeclaredModuleNames
        .long   _DeclaredFunctionNames

        .globl  _WindowTemplateSegmentSize
        .p2align 2
_WindowTemplateSegmentSize:
        .long   _WindowTemplateSegmentEnd - _WindowTemplateSegment

        .p2align 4
#include "payload/constant_segment.inc"

        .p2align 2
        .globl  _WindowTemplateSegment
_WindowTemplateSegment:
        .incbin KORVEX_WINDOW_TEMPLATE_FILE
_WindowTemplateSegmentEnd:
