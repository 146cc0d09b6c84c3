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

foreach(size 16 48 256)
  set(icon "${prefix}/share/icons/hicolor/${size}x${size}/apps/${ICON_NAME}.png")
  if(NOT EXISTS "${icon}")
    message(FATAL_ERROR "no icon at ${icon}")
  endif()
endforeach()
file(READ "${prefix}/share/icons/hicolor/256x256/apps/${ICON_NAME}.png" header LIMIT 24 HEX)
# The PNG signature, then the header chunk's width and height: 256 x 256.
if(NOT header STREQUAL "89504e470d0a1a0a0000000d494844520000010000000100")
  message(FATAL_ERROR "the 256-pixel icon is no 256 x 256 PNG: ${header}")
endif()
file(REMOVE_RECURSE "${prefix}")
