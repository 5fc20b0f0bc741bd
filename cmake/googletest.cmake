# GoogleTest for the test executables: the targets GTest::gtest and
# GTest::gtest_main.
#
# The host build takes the system's package (Debian's libgtest-dev). No
# prebuilt GoogleTest exists for the Windows targets: there the sources of
# Debian's googletest package are built once for the target while this build
# is configured, installed into the build tree and found from there.
if(KORVEX_HOST)
  find_package(GTest CONFIG REQUIRED)
  return()
endif()

set(KORVEX_GOOGLETEST_SOURCE_DIR "" CACHE PATH
    "GoogleTest sources to build for Windows; empty takes those of the googletest package")
set(gtest_prefix ${CMAKE_BINARY_DIR}/googletest)
find_package(GTest CONFIG QUIET PATHS ${gtest_prefix} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(GTest_FOUND)
  return()
endif()

set(source_dir ${KORVEX_GOOGLETEST_SOURCE_DIR})
if(NOT source_dir)
  # The top folder of the package's sources: the shortest of its CMakeLists.txt.
  execute_process(COMMAND dpkg-query -L googletest OUTPUT_VARIABLE package_files
                  RESULT_VARIABLE package_listed ERROR_QUIET)
  if(NOT package_listed EQUAL 0)
    message(FATAL_ERROR "The Windows tests need GoogleTest's sources: install the googletest "
                        "package (scripts/install-deps) or set KORVEX_GOOGLETEST_SOURCE_DIR")
  endif()
  string(REPLACE "\n" ";" package_files "${package_files}")
  list(FILTER package_files INCLUDE REGEX "/CMakeLists\\.txt$")
  set(shortest 100000)
  foreach(file IN LISTS package_files)
    string(LENGTH "${file}" length)
    if(length LESS shortest)
      set(shortest ${length})
      get_filename_component(source_dir ${file} DIRECTORY)
    endif()
  endforeach()
endif()

message(STATUS "Building GoogleTest from ${source_dir} for ${CMAKE_SYSTEM_PROCESSOR} Windows")
set(gtest_build ${CMAKE_BINARY_DIR}/googletest-build)
set(gtest_args
  -G ${CMAKE_GENERATOR}
  -DCMAKE_SYSTEM_NAME=${CMAKE_SYSTEM_NAME}
  -DCMAKE_SYSTEM_PROCESSOR=${CMAKE_SYSTEM_PROCESSOR}
  -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER}
  -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}
  -DCMAKE_AR=${CMAKE_AR}
  -DCMAKE_RANLIB=${CMAKE_RANLIB}
  -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
  -DCMAKE_INSTALL_PREFIX=${gtest_prefix}
  -DBUILD_GMOCK=OFF
  -DINSTALL_GTEST=ON
  # The Windows test programs are linked statically and use no pthreads.
  -Dgtest_disable_pthreads=ON)
foreach(launcher CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER)
  if(${launcher})
    list(APPEND gtest_args -D${launcher}=${${launcher}})
  endif()
endforeach()
cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${source_dir} -B ${gtest_build} ${gtest_args}
  COMMAND_ERROR_IS_FATAL ANY
  OUTPUT_QUIET)
execute_process(
  COMMAND ${CMAKE_COMMAND} --build ${gtest_build} --target install --parallel ${cores}
  COMMAND_ERROR_IS_FATAL ANY
  OUTPUT_QUIET)
find_package(GTest CONFIG REQUIRED PATHS ${gtest_prefix} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
