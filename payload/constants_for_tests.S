/* The constant segment on its own, so that tests can link the program's
 * constants without the rest of the program image. */
  .section .rdata, "dr"
#include "payload/constant_segment.inc"
