# The form window: live windows of the templates, their units, events and
# unit properties. Windows only.
if(KORVEX_WINDOWS AND NOT KORVEX_TOOLS_ONLY)
  add_library(korvex_forms STATIC
    ${CMAKE_CURRENT_LIST_DIR}/form_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/form_engine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/events.cpp
    ${CMAKE_CURRENT_LIST_DIR}/properties.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unit_types.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unit_button.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unit_label.cpp)
  target_include_directories(korvex_forms PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(korvex_forms PUBLIC korvex_template korvex_runtime korvex_base_windows user32 gdi32)
endif()
