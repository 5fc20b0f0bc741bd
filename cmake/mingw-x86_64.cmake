# Cross build for 64-bit Windows with MinGW-w64: the same sources as the
# 32-bit program, for running the Windows tests under a Wine that can only run
# 64-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KORVEX_MINGW_TARGET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
