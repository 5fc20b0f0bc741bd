# The window template: its binary format (also used by the generators), the
# loader the runtime uses, and the description of this program's window with
# its icon, from which the build generates the template segment.
add_library(korvex_template_format STATIC
  ${CMAKE_CURRENT_LIST_DIR}/template_format.cpp)
target_include_directories(korvex_template_format PUBLIC ${CMAKE_SOURCE_DIR})
korvex_gbk_texts(korvex_template_format texts.txt korvex::forms)

add_library(korvex_window_description STATIC
  ${CMAKE_CURRENT_LIST_DIR}/window_description.cpp
  ${CMAKE_CURRENT_LIST_DIR}/icon_image.cpp)
target_link_libraries(korvex_window_description PUBLIC korvex_template_format korvex_base)

if(NOT KORVEX_TOOLS_ONLY)
  add_library(korvex_template STATIC ${CMAKE_CURRENT_LIST_DIR}/template_loader.cpp)
  target_link_libraries(korvex_template PUBLIC korvex_template_format)
  if(TARGET korvex_runtime_portable)
    target_link_libraries(korvex_template PUBLIC korvex_runtime_portable)
  endif()
endif()
