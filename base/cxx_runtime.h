// Replacements for the parts of the C++ library's own runtime that the
// shipped programs link (cxx_runtime.cpp). Each program links that file once,
// as an object of its own; libraries and most tests never do.
//
// Every form of operator new and delete works on the process heap (the
// nothrow forms return null instead of reporting, the aligned forms keep the
// start of a larger block in front of the aligned address), and the library's
// error paths end the program instead of throwing. The library's own versions
// bring the exception objects, their strings, the name demangler and the
// printf engine with them: more than 100 KB of code these programs never use.
#pragma once

#include <cstddef>

namespace korvex {

// Defined by each program that links cxx_runtime.cpp, and must not return:
// operator new could not get `bytes` bytes, or the library was asked for a
// length or count no block can hold (then `bytes` is SIZE_MAX).
[[noreturn]] void HandleAllocationFailure(size_t bytes);

// Defined by each program that links cxx_runtime.cpp, and must not return:
// any other error the library would throw (an index out of range, a bad
// cast, ...) or an end through std::terminate. `what` is the library's
// description, plain ASCII.
[[noreturn]] void HandleLibraryError(const char* what);

}  // namespace korvex
