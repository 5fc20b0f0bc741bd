/* A small library that the declared-function tests bind from beside the test
   executable: one function of each calling convention and an ordinal export. */
#include <stdint.h>

int32_t __stdcall ProbeAdd(int32_t a, int32_t b) {
  return a + b;
}

int32_t __cdecl ProbeSubtract(int32_t a, int32_t b) {
  return a - b;
}

int32_t __stdcall ProbeTriple(int32_t a) {
  return 3 * a;
}
