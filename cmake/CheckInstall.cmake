# Installs the build into a fresh prefix and checks what the desktop finds there:
# a desktop entry that desktop-file-validate accepts, whose command is the
# installed program and whose icon is in the hicolor theme.
# Usage: cmake -DBUILD_DIR=... -DICON_NAME=... -P CheckInstall.cmake
cmake_minimum_required(VERSION 3.25)

set(prefix "${BUILD_DIR}/install-check")
file(REMOVE_RECURSE "${prefix}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}"
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(entry "${prefix}/share/applications/Vandrel.desktop")
if(NOT EXISTS "${entry}")
  message(FATAL_ERROR "no desktop entry at ${entry}")
endif()
file(READ "${entry}" content)
set(content "\n${content}")
if(NOT content MATCHES "\nType=Application\n" OR NOT content MATCHES "\nCategories=Network;FileTransfer;\n"
   OR NOT content MATCHES "\nIcon=${ICON_NAME}\n")
  message(FATAL_ERROR "the desktop entry lacks its type, categories or icon:${content}")
endif()
if(NOT content MATCHES "\nExec=([^\n]*)\n" OR NOT EXISTS "${prefix}/bin/${CMAKE_MATCH_1}")
  message(FATAL_ERROR "the entry does not start a program installed in ${prefix}/bin")
endif()
if(NOT content MATCHES "\nName\\[zh_CN\\]=[^\n]*[^ -~\n]")
  message(FATAL_ERROR "the entry has no Chinese Name[zh_CN]")
endif()

find_program(validate desktop-file-validate REQUIRED)
execute_process(COMMAND "${validate}" "${entry}" RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "desktop-file-validate rejects the entry:\n${output}")
endif()

# Every size of the hicolor theme the program draws its icon at, each a PNG of
# that size: the signature, then the header chunk's width and height.
foreach(size 16 22 24 32 48 64 128 256)
  set(icon "${prefix}/share/icons/hicolor/${size}x${size}/apps/${ICON_NAME}.png")
  if(NOT EXISTS "${icon}")
    message(FATAL_ERROR "no icon at ${icon}")
  endif()
  file(READ "${icon}" header LIMIT 24 HEX)
  math(EXPR side "${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${side}" 2 -1 side)
  string(LENGTH "${side}" length)
  math(EXPR padding "8 - ${length}")
  string(REPEAT "0" ${padding} zeros)
  set(side "${zeros}${side}")
  if(NOT header STREQUAL "89504e470d0a1a0a0000000d49484452${side}${side}")
    message(FATAL_ERROR "the ${size}-pixel icon is no ${size} x ${size} PNG: ${header}")
  endif()
endforeach()
file(REMOVE_RECURSE "${prefix}")
