/* The program code block: a jump to every routine of the program layout at
 * its offset from the code base. */
#include "app/code_block.h"

  CODE_BLOCK_BEGIN
#define ROUTINE(name, offset, argument_bytes) STDCALL_ROUTINE_AT(offset, name, argument_bytes);
#include "app/program_layout.def"
  CODE_BLOCK_END(0x2010)
