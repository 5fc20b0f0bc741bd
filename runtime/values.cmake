# Values and memory, the call protocol, errors and program end (portable), and
# the Windows-only declared-function binding.
add_library(korvex_runtime_portable STATIC
  ${CMAKE_CURRENT_LIST_DIR}/values.cpp
  ${CMAKE_CURRENT_LIST_DIR}/call_protocol.cpp
  ${CMAKE_CURRENT_LIST_DIR}/errors.cpp)
if(KORVEX_WINDOWS)
  target_sources(korvex_runtime_portable PRIVATE ${CMAKE_CURRENT_LIST_DIR}/platform_win.cpp)
else()
  target_sources(korvex_runtime_portable PRIVATE ${CMAKE_CURRENT_LIST_DIR}/platform_host.cpp)
endif()
target_include_directories(korvex_runtime_portable PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(korvex_runtime_portable PUBLIC korvex_base)

if(KORVEX_WINDOWS)
  add_library(korvex_runtime STATIC ${CMAKE_CURRENT_LIST_DIR}/declared_functions.cpp)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_sources(korvex_runtime PRIVATE ${CMAKE_CURRENT_LIST_DIR}/declared_call_i686.S)
  endif()
  target_link_libraries(korvex_runtime PUBLIC korvex_runtime_portable)
endif()
