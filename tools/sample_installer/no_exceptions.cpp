// The two programs are built without exceptions. The standard library still
// reports a failed allocation or an impossible text length by throwing, and
// linking its reporting functions brings the whole exception machinery with
// them (about 170 KB in each program). These definitions take their place:
// such a failure ends the process, as nothing in these programs comes near.
#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
  void* block = std::malloc(size != 0 ? size : 1);
  if (block == nullptr) ExitProcess(1);
  return block;
}

void operator delete(void* block) noexcept {
  std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}

namespace std {

void __throw_bad_alloc() {
  ExitProcess(1);
}
void __throw_bad_array_new_length() {
  ExitProcess(1);
}
void __throw_length_error(const char*) {
  ExitProcess(1);
}
void __throw_logic_error(const char*) {
  ExitProcess(1);
}
void __throw_out_of_range_fmt(const char*, ...) {
  ExitProcess(1);
}

}  // namespace std
