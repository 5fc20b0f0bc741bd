# The generators run on the build machine: a native build of this same tree
# (tools only), made during the cross build. korvex_host_tool() names its
# programs.
include(ExternalProject)
set(KORVEX_HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host-tools)
set(KORVEX_HOST_TOOL_NAMES make-icon make-settings-image make-window-template)
set(host_tool_files ${KORVEX_HOST_TOOL_NAMES})
list(TRANSFORM host_tool_files PREPEND ${KORVEX_HOST_TOOLS_DIR}/bin/)
ExternalProject_Add(host_tools
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${KORVEX_HOST_TOOLS_DIR}
  CMAKE_ARGS -DKORVEX_TOOLS_ONLY=ON -DCMAKE_BUILD_TYPE=Release -DKORVEX_SANITIZE=OFF
             -DKORVEX_WERROR=${KORVEX_WERROR}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${host_tool_files})

# Host tool path in the cross build: korvex_host_tool(<var> <name>).
function(korvex_host_tool var name)
  set(${var} ${KORVEX_HOST_TOOLS_DIR}/bin/${name} PARENT_SCOPE)
endfunction()
