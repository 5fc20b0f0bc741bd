# Helpers shared by the folders' CMakeLists.

# Host tool path in the cross build: korvex_host_tool(<var> <name>).
function(korvex_host_tool var name)
  set(${var} ${KORVEX_HOST_TOOLS_DIR}/bin/${name} PARENT_SCOPE)
endfunction()

# Where the generated binaries of the host tools land (cross build).
set(KORVEX_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${KORVEX_GENERATED_DIR})

# korvex_gbk_texts(): the code page 936 texts of a folder.
include(${CMAKE_CURRENT_LIST_DIR}/gbk_texts.cmake)

# korvex_host_test(name SOURCES ... LIBS ...): a GoogleTest executable of the
# host build, run by CTest under the sanitizers.
function(korvex_host_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS host TIMEOUT 300)
endfunction()

# korvex_wine_test(name SOURCES ... LIBS ... [GUI]): a GoogleTest executable of
# the Windows build, run by CTest under Wine in the build tree's prefix.
function(korvex_wine_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS wine TIMEOUT ${T_TIMEOUT})
endfunction()

# korvex_fuzzer(name SOURCES ... LIBS ... [SEEDS dir-or-file ...]): a libFuzzer
# target of the host build (Clang only) with a bounded run registered in CTest.
# KORVEX_FUZZ_SECONDS sets the length of that run.
set(KORVEX_FUZZ_SECONDS 60 CACHE STRING "Seconds of each bounded fuzz run in the tests")
function(korvex_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS;SEEDS" ${ARGN})
  if(NOT KORVEX_HOST OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
                   ${CMAKE_SOURCE_DIR}/scripts/fuzz-run $<TARGET_FILE:${name}> ${corpus}
                   ${KORVEX_FUZZ_SECONDS} ${F_SEEDS})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 900)
endfunction()
