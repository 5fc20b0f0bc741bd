// Replacements for the parts of the C++ library's own runtime that the
// shipped programs link (cxx_runtime.cpp). Each program links that file once,
// as an object of its own; libraries and most tests never do.
//
// operator new and delete work on the process heap, and the library's error
// paths end the program instead of throwing. The library's own versions bring
// the exception objects, their strings, the name demangler and the printf
// engine with them: more than 100 KB of code these programs never use.
#pragma once

#include <cstddef>

namespace korvex {

// Defined by each program that links cxx_runtime.cpp, and must not return:
// operator new could not get `bytes` bytes, or the library was asked for a
// length or count no block can hold (then `bytes` is SIZE_MAX).
[[noreturn]] void HandleAllocationFailure(size_t bytes);

}  // namespace korvex
