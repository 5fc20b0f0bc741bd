# Start-up, the application object, the services and the message loop (in the
# Windows runtime library), and the process entry of the program.
if(KORVEX_WINDOWS)
  target_sources(korvex_runtime PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/application.cpp
    ${CMAKE_CURRENT_LIST_DIR}/services.cpp
    ${CMAKE_CURRENT_LIST_DIR}/message_loop.cpp)
  target_link_libraries(korvex_runtime PRIVATE ole32)

  # The process entry goes straight into the executable: as a member of a
  # static library it would never be asked for before the C runtime's own
  # entry needs it.
  add_library(korvex_startup OBJECT ${CMAKE_CURRENT_LIST_DIR}/startup.cpp)
  target_link_libraries(korvex_startup PRIVATE korvex_runtime korvex_forms)
endif()
