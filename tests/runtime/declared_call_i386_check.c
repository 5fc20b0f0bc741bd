/* Runs the declared-function thunk of the 32-bit program on its own, without
   Windows: a freestanding i386 program whose exit status holds one bit per
   failed check. Functions of both conventions, called right and called as if
   declared wrongly. */
typedef unsigned u32;
extern u32 declared_call(void* function, int argc, const u32* argv, int caller_cleans,
                         int* stack_mismatch) __asm__("_korvex_declared_call");

__attribute__((cdecl)) int Subtract(int a, int b) {
  return a - b;
}
__attribute__((stdcall)) int Add(int a, int b) {
  return a + b;
}
__attribute__((stdcall)) int Five(void) {
  return 5;
}
__attribute__((cdecl)) int Weighted(int a, int b, int c, int d, int e, int f) {
  return a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f;
}

static void Exit(int code) {
  __asm__ volatile("int $0x80" : : "a"(1), "b"(code));
  for (;;) {
  }
}

void _start(void) {
  int failed = 0, mismatch;
  u32 two[2] = {40, 2};
  u32 three[3] = {1, 2, 3};
  u32 six[6] = {1, 2, 3, 4, 5, 6};
  /* Right declarations: results, argument order, no mismatch. */
  mismatch = 9;
  if (declared_call((void*)Add, 2, two, 0, &mismatch) != 42 || mismatch != 0) failed |= 1;
  mismatch = 9;
  if (declared_call((void*)Subtract, 2, two, 1, &mismatch) != 38 || mismatch != 0) failed |= 2;
  mismatch = 9;
  if (declared_call((void*)Five, 0, 0, 0, &mismatch) != 5 || mismatch != 0) failed |= 4;
  mismatch = 9;
  if (declared_call((void*)Weighted, 6, six, 1, &mismatch) != 91 || mismatch != 0) failed |= 8;
  /* Wrong declarations: the stack pointer differs after the call. */
  mismatch = 0;
  declared_call((void*)Subtract, 2, two, 0, &mismatch);
  if (mismatch != 1) failed |= 16;
  mismatch = 0;
  declared_call((void*)Add, 3, three, 0, &mismatch);
  if (mismatch != 1) failed |= 32;
  mismatch = 0;
  declared_call((void*)Add, 2, two, 1, &mismatch);
  if (mismatch != 1) failed |= 64;
  /* The caller's stack survived all of them. */
  mismatch = 9;
  if (declared_call((void*)Add, 2, two, 0, &mismatch) != 42 || mismatch != 0) failed |= 128;
  Exit(failed);
}
