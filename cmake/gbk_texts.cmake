# The program's own texts are code page 936 bytes. Each folder keeps them
# readable in a UTF-8 list, texts.txt, one text a line:
#
#   # a comment
#   kRuntimeErrorHeading "运行时出错!"
#
# the constant's name, then the text in double quotes, taken as written (no
# escapes; a text holds no ASCII double quote). The build compiles the list
# into <folder>/texts.h under the generated include folder, with every text as
#
#   inline constexpr char kRuntimeErrorHeading[] = "\xD4\xCB...";
#
# in the given namespace, and, for resource scripts, as a macro of the same
# name. iconv does the conversion, so one converter serves the Windows and the
# host builds alike, whatever execution character set the compiler supports.
#
# Included by cmake/korvex.cmake, this file defines korvex_gbk_texts(); run
# with -P, it compiles one list.

if(NOT CMAKE_SCRIPT_MODE_FILE)
  find_program(KORVEX_ICONV iconv REQUIRED)
  set(KORVEX_GBK_TEXTS_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

  # korvex_gbk_texts(<target> <list> <namespace>): compiles the list (a path
  # relative to the calling folder) into its header, held by the interface
  # library korvex_<folder>_texts, which the target links publicly. Code that
  # needs the texts without the target links that library.
  function(korvex_gbk_texts target list namespace)
    get_filename_component(list ${list} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    file(RELATIVE_PATH source ${CMAKE_SOURCE_DIR} ${list})
    string(REGEX REPLACE "\\.txt$" ".h" header_name ${source})
    get_filename_component(folder ${source} DIRECTORY)
    string(REPLACE "/" "_" folder ${folder})
    set(include_dir ${KORVEX_GENERATED_DIR}/include)
    set(header ${include_dir}/${header_name})
    add_custom_command(OUTPUT ${header}
      COMMAND ${CMAKE_COMMAND} -DICONV=${KORVEX_ICONV} -DLIST=${list} -DSOURCE=${source}
              -DHEADER=${header} -DNAMESPACE=${namespace} -P ${KORVEX_GBK_TEXTS_SCRIPT}
      DEPENDS ${list} ${KORVEX_GBK_TEXTS_SCRIPT}
      COMMENT "Compiling the code page 936 texts of ${source}"
      VERBATIM)
    add_library(korvex_${folder}_texts INTERFACE ${header})
    target_include_directories(korvex_${folder}_texts INTERFACE ${include_dir})
    target_link_libraries(${target} PUBLIC korvex_${folder}_texts)
  endfunction()
  return()
endif()

# Script mode: ICONV, LIST, SOURCE (the list's name in messages), HEADER and
# NAMESPACE are given.
cmake_minimum_required(VERSION 3.25)
function(fail line message)
  message(FATAL_ERROR "${SOURCE}:${line}: ${message}")
endfunction()

set(converted ${HEADER}.cp936)
get_filename_component(header_dir ${HEADER} DIRECTORY)
file(MAKE_DIRECTORY ${header_dir})
execute_process(COMMAND ${ICONV} -f UTF-8 -t CP936 ${LIST}
                OUTPUT_FILE ${converted} RESULT_VARIABLE status ERROR_VARIABLE error)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SOURCE}: not convertible to code page 936: ${error}")
endif()

# The converted list as hex byte tokens, "xx " each, split into lines. A line
# feed is never the second byte of a double-byte character.
file(READ ${converted} hex HEX)
file(REMOVE ${converted})
string(REGEX REPLACE "(..)" "\\1 " hex "${hex}")
string(REPLACE "0a " ";" lines "${hex}")

set(names)
set(macros)
set(constants)
set(line_number 0)
foreach(line IN LISTS lines)
  math(EXPR line_number "${line_number} + 1")
  string(REGEX REPLACE "(0d )$" "" line "${line}")
  string(STRIP "${line}" line)
  if(line STREQUAL "" OR line MATCHES "^23")  # blank, or a comment ("#")
    continue()
  endif()
  string(REPLACE " " ";" bytes "${line}")

  # state: name, space, text, end
  set(state name)
  set(name "")
  set(text "")
  set(after_escape FALSE)
  set(trail FALSE)
  foreach(byte IN LISTS bytes)
    string(TOUPPER ${byte} upper)
    if(trail)
      string(APPEND text "\\x${upper}")
      set(trail FALSE)
      continue()
    endif()
    if(state STREQUAL "name")
      if(byte STREQUAL "20" OR byte STREQUAL "09")
        set(state space)
        continue()
      endif()
      math(EXPR code "0x${byte}")
      if(code GREATER 127)
        fail(${line_number} "the name is not ASCII")
      endif()
      string(ASCII ${code} char)
      string(APPEND name "${char}")
    elseif(state STREQUAL "space")
      if(byte STREQUAL "22")
        set(state text)
      elseif(NOT (byte STREQUAL "20" OR byte STREQUAL "09"))
        fail(${line_number} "expected the text in double quotes after the name")
      endif()
    elseif(state STREQUAL "text")
      if(byte STREQUAL "22")
        set(state end)
      elseif(byte STRGREATER_EQUAL "81" AND byte STRLESS_EQUAL "fe")
        # The lead byte of a double-byte character; the next byte completes it.
        string(APPEND text "\\x${upper}")
        set(trail TRUE)
        set(after_escape TRUE)
      elseif(byte STRLESS "20" OR byte STRGREATER_EQUAL "7f")
        string(APPEND text "\\x${upper}")
        set(after_escape TRUE)
      elseif(byte STREQUAL "5c")
        string(APPEND text "\\\\")
        set(after_escape FALSE)
      elseif(after_escape AND byte MATCHES "^(3[0-9]|4[1-6]|6[1-6])$")
        # A hex digit right after an escape would extend it: escape it too.
        string(APPEND text "\\x${upper}")
      else()
        math(EXPR code "0x${byte}")
        string(ASCII ${code} char)
        string(APPEND text "${char}")
        set(after_escape FALSE)
      endif()
    elseif(NOT (byte STREQUAL "20" OR byte STREQUAL "09"))
      fail(${line_number} "unexpected characters after the text")
    endif()
  endforeach()

  if(NOT state STREQUAL "end")
    fail(${line_number} "expected: kName \"text\"")
  endif()
  if(NOT name MATCHES "^k[A-Z][A-Za-z0-9]*$")
    fail(${line_number} "the name ${name} is not of the form kCamelCase")
  endif()
  if(name IN_LIST names)
    fail(${line_number} "${name} is defined twice")
  endif()
  list(APPEND names ${name})
  string(APPEND macros "#define ${name} \"${text}\"\n")
  string(APPEND constants "inline constexpr char ${name}[] = \"${text}\";\n")
endforeach()

file(WRITE ${HEADER} "\
// Generated by cmake/gbk_texts.cmake from ${SOURCE}: the texts in code page
// 936. Edit the list, not this file.
#pragma once

#ifdef RC_INVOKED
${macros}#else
namespace ${NAMESPACE} {

${constants}
}  // namespace ${NAMESPACE}
#endif
")
