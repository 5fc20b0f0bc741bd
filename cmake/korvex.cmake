# Helpers shared by the folders' CMakeLists.

# The system's interpreter runs every Python script of the build and the
# tests, not whatever python3 comes first on PATH.
find_program(KORVEX_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)

# Where the generated binaries of the host tools land (cross build), and the
# generated inputs of the program image.
set(KORVEX_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${KORVEX_GENERATED_DIR})
set(KORVEX_SETTINGS_IMAGE_FILE ${KORVEX_GENERATED_DIR}/settings.qdf)
set(KORVEX_WINDOW_TEMPLATE_FILE ${KORVEX_GENERATED_DIR}/window_template.bin)
set(KORVEX_ICON_FILE ${KORVEX_GENERATED_DIR}/korvex.ico)

# korvex_gbk_texts(): the code page 936 texts of a folder.
include(${CMAKE_CURRENT_LIST_DIR}/gbk_texts.cmake)

# korvex_host_test(name SOURCES ... LIBS ...): a GoogleTest executable of the
# host build, run by CTest under the sanitizers. Every test executable has the
# shared test support (tests/support).
function(korvex_host_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} korvex_test_support
                        GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS host TIMEOUT 300)
endfunction()

# korvex_wine_test(name SOURCES ... LIBS ... [TIMEOUT seconds]): a GoogleTest
# executable of the Windows build, run by CTest under Wine in the build tree's
# prefix.
function(korvex_wine_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} korvex_test_support
                        GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS wine TIMEOUT ${T_TIMEOUT})
endfunction()

# korvex_fuzzer(name SOURCES ... LIBS ... [SEEDS dir-or-file ...]): a libFuzzer
# target of the host build with a bounded run registered in CTest.
# KORVEX_FUZZ_SECONDS sets the length of that run.
set(KORVEX_FUZZ_SECONDS 60 CACHE STRING "Seconds of each bounded fuzz run in the tests")
function(korvex_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS;SEEDS" ${ARGN})
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

# korvex_add_program(target installer_file [dependencies...]
#                    [TEST_PROGRAM SOURCES ... LIBS ...]): a Windows program
# with the given installer image, written to the calling folder's binary
# folder; the dependencies are the targets that make the installer file. Only
# the information block with the constant segment is assembled for each
# program; the rest is shared.
#
# The shipped program links the installer logic, the process entry, the
# resources and the C++ support of the program, and the link fails when the
# exception machinery comes back. A TEST_PROGRAM is a GoogleTest executable
# under Wine (korvex_wine_test) with the same program image and the given
# SOURCES (its code block and tables among them) and LIBS instead; its test
# objects use exceptions, so it has no such check.
function(korvex_add_program target installer_file)
  cmake_parse_arguments(P "TEST_PROGRAM" "" "SOURCES;LIBS" ${ARGN})
  set(image ${target}_program_image)
  set(source ${CMAKE_SOURCE_DIR}/runtime/program_image.S)
  add_library(${image} OBJECT ${source})
  target_include_directories(${image} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${image} PRIVATE
    KORVEX_INSTALLER_IMAGE_FILE="${installer_file}"
    KORVEX_SETTINGS_IMAGE_FILE="${KORVEX_SETTINGS_IMAGE_FILE}"
    KORVEX_WINDOW_TEMPLATE_FILE="${KORVEX_WINDOW_TEMPLATE_FILE}")
  set_source_files_properties(${source} PROPERTIES OBJECT_DEPENDS
    "${KORVEX_SETTINGS_IMAGE_FILE};${KORVEX_WINDOW_TEMPLATE_FILE};${installer_file}")
  add_dependencies(${image} korvex_settings_image korvex_window_template
                   ${P_UNPARSED_ARGUMENTS})

  if(P_TEST_PROGRAM)
    korvex_wine_test(${target} SOURCES $<TARGET_OBJECTS:${image}> ${P_SOURCES} LIBS ${P_LIBS})
    return()
  endif()

  # The process entry (korvex_startup), the resources and the C++ support
  # (operator new and the library's error paths) go straight into the
  # executable; the libraries supply the rest.
  add_executable(${target} WIN32 $<TARGET_OBJECTS:${image}>
                 $<TARGET_OBJECTS:korvex_payload_objects> $<TARGET_OBJECTS:korvex_startup>
                 $<TARGET_OBJECTS:korvex_cxx_runtime>)
  target_link_libraries(${target} PRIVATE korvex_app korvex_forms korvex_commands korvex_runtime)
  # No symbols or debugging data from the static libraries in the shipped
  # file; a link map beside it tells what its bytes are (scripts/bench).
  target_link_options(${target} PRIVATE -mwindows -s
                      -Wl,-Map=$<TARGET_FILE_DIR:${target}>/${target}.map)
  # Aware of terminal servers: the Windows folder the program is given is then
  # the system's, not a private one in the user's profile (explorer.exe is
  # started from it).
  target_link_options(${target} PRIVATE -Wl,--tsaware)
  # The process entry restricts the library search before the C runtime
  # starts (runtime/startup.cpp); i686 names carry a leading underscore.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(${target} PRIVATE -Wl,--entry=_KorvexProcessEntry)
  else()
    target_link_options(${target} PRIVATE -Wl,--entry=KorvexProcessEntry)
  endif()
  # The program carries no exception machinery (see the top CMakeLists.txt):
  # the build fails when anything brings a part of it back.
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${KORVEX_SYSTEM_PYTHON} ${CMAKE_SOURCE_DIR}/scripts/link_map.py --unwinder
            $<TARGET_FILE_DIR:${target}>/${target}.map
    VERBATIM)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
