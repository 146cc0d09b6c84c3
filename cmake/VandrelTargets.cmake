# Every library is built once per variant (plain, ASan+UBSan, TSan), so that the
# sanitizer test binaries link fully instrumented code of our own.

# Parsing Qt's and GoogleTest's headers is most of the time a file takes to
# compile, so each variant parses them once per set: the QtCore libraries share
# one precompiled header, the widget library has its own, and so have the tests.
# Configuring with -DCMAKE_DISABLE_PRECOMPILE_HEADERS=ON shows a file that leans
# on them for an include of its own.
set(VANDREL_PCH_CORE <QByteArray> <QDir> <QFile> <QFileInfo> <QList> <QObject> <QString> <QStringList>
    <algorithm> <atomic> <cstdint> <functional> <memory> <mutex> <optional> <vector>)
set(VANDREL_PCH_WIDGETS ${VANDREL_PCH_CORE} <QApplication> <QCheckBox> <QComboBox> <QDialog> <QHBoxLayout>
    <QLabel> <QLineEdit> <QPushButton> <QVBoxLayout>)
set(VANDREL_PCH_TEST <gtest/gtest.h> <QTemporaryDir> <thread>)
# ccache caches the files built on a precompiled header only when told to trust it.
if(CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache$")
  set(CMAKE_CXX_COMPILER_LAUNCHER
      ${CMAKE_COMMAND} -E env CCACHE_SLOPPINESS=pch_defines,time_macros ${CMAKE_CXX_COMPILER_LAUNCHER})
endif()

set(VANDREL_STRINGS_CPP "${CMAKE_BINARY_DIR}/generated/StringTableData.cpp")
set(VANDREL_STRING_IDS_H "${CMAKE_BINARY_DIR}/generated/StringIds.h")
set(VANDREL_TERMS_CPP "${CMAKE_BINARY_DIR}/generated/TermsOfUseData.cpp")

function(vandrel_add_strings)
  set(input "${CMAKE_SOURCE_DIR}/resources/strings.txt")
  add_custom_command(
    OUTPUT "${VANDREL_STRINGS_CPP}" "${VANDREL_STRING_IDS_H}"
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${VANDREL_STRINGS_CPP} -DHEADER=${VANDREL_STRING_IDS_H}
            -P "${CMAKE_SOURCE_DIR}/cmake/GenerateStrings.cmake"
    DEPENDS "${input}" "${CMAKE_SOURCE_DIR}/cmake/GenerateStrings.cmake"
    COMMENT "Embedding the string table")
  add_custom_target(vandrel_strings DEPENDS "${VANDREL_STRINGS_CPP}" "${VANDREL_STRING_IDS_H}")

  # The About box shows the same terms that ship as TermsOfUse.txt.
  set(terms "${CMAKE_SOURCE_DIR}/resources/TermsOfUse.txt")
  add_custom_command(
    OUTPUT "${VANDREL_TERMS_CPP}"
    COMMAND ${CMAKE_COMMAND} -DINPUT=${terms} -DOUTPUT=${VANDREL_TERMS_CPP} -DNAME=resources/TermsOfUse.txt
            -DSYMBOL=kTermsOfUseText -P "${CMAKE_SOURCE_DIR}/cmake/EmbedText.cmake"
    DEPENDS "${terms}" "${CMAKE_SOURCE_DIR}/cmake/EmbedText.cmake"
    COMMENT "Embedding the terms of use")
  add_custom_target(vandrel_terms DEPENDS "${VANDREL_TERMS_CPP}")
endfunction()

function(vandrel_sources out)
  set(all)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp" "${CMAKE_SOURCE_DIR}/${dir}/*.h")
    list(APPEND all ${found})
  endforeach()
  list(FILTER all EXCLUDE REGEX "/(app/main|tests/support/TestMain)\\.cpp$")
  set(${out} ${all} PARENT_SCOPE)
endfunction()

# PCH lists the headers to precompile; PCH_FROM names a library of the same
# variant, built with the same flags, whose precompiled header this one reuses.
function(vandrel_library name flags)
  cmake_parse_arguments(ARG "" "PCH_FROM" "DIRS;LINK;EXTRA;PCH" ${ARGN})
  vandrel_sources(src ${ARG_DIRS})
  add_library(${name} STATIC ${src} ${ARG_EXTRA})
  target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}")
  add_dependencies(${name} vandrel_strings) # any of them may include StringIds.h
  target_link_libraries(${name} PUBLIC ${ARG_LINK})
  if(flags)
    target_compile_options(${name} PUBLIC ${flags})
    target_link_options(${name} PUBLIC ${flags})
  endif()
  if(ARG_PCH_FROM)
    target_precompile_headers(${name} REUSE_FROM ${ARG_PCH_FROM})
  else()
    target_precompile_headers(${name} PRIVATE ${ARG_PCH})
  endif()
endfunction()

# platform <- core (app/) <- engine <- framecore (mainframe/core) <- ui (app/gui, mainframe, dialogs)
# Only ui uses QtWidgets.
function(vandrel_add_libraries sfx flags)
  vandrel_library(vandrel_platform${sfx} "${flags}" DIRS platform platform/inet
    EXTRA "${VANDREL_STRINGS_CPP}" "${VANDREL_STRING_IDS_H}" PCH ${VANDREL_PCH_CORE}
    LINK Qt6::Core Qt6::DBus CURL::libcurl OpenSSL::SSL OpenSSL::Crypto PkgConfig::NETTLE PkgConfig::XCB)
  target_include_directories(vandrel_platform${sfx} PUBLIC "${CMAKE_BINARY_DIR}/generated")
  set(reuse PCH_FROM vandrel_platform${sfx})
  vandrel_library(vandrel_core${sfx} "${flags}" DIRS app LINK vandrel_platform${sfx} ${reuse})
  vandrel_library(vandrel_engine${sfx} "${flags}" DIRS engine LINK vandrel_core${sfx} ${reuse})
  vandrel_library(vandrel_framecore${sfx} "${flags}" DIRS mainframe/core LINK vandrel_engine${sfx} ${reuse})
  vandrel_library(vandrel_ui${sfx} "${flags}" DIRS app/gui mainframe dialogs
    EXTRA "${VANDREL_TERMS_CPP}" PCH ${VANDREL_PCH_WIDGETS}
    LINK vandrel_framecore${sfx} Qt6::Gui Qt6::Widgets Qt6::Network)
  add_dependencies(vandrel_ui${sfx} vandrel_terms)
endfunction()

# The test fixtures, built once per variant (the sanitizer flags come with the
# platform library); each suite adds its own main, which makes a QApplication
# only where the widgets are linked.
function(vandrel_test_support sfx)
  vandrel_library(vandrel_test_support${sfx} "" DIRS tests/support PCH ${VANDREL_PCH_CORE} ${VANDREL_PCH_TEST}
    LINK vandrel_platform${sfx} GTest::gtest Qt6::Test Qt6::Network)
  target_include_directories(vandrel_test_support${sfx} PUBLIC "${CMAKE_SOURCE_DIR}/tests")
  target_compile_definitions(vandrel_test_support${sfx} PUBLIC VANDREL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endfunction()

function(vandrel_test_suite suite sfx link)
  vandrel_sources(src tests/${suite})
  if(NOT src)
    return()
  endif()
  set(name ${suite}_tests${sfx})
  add_executable(${name} ${src} "${CMAKE_SOURCE_DIR}/tests/support/TestMain.cpp")
  target_link_libraries(${name} PRIVATE ${link} vandrel_test_support${sfx})
  # QtTest adds its widget helpers where the widgets are linked, so the widget
  # tests precompile their own header.
  if(suite STREQUAL "ui")
    target_precompile_headers(${name} PRIVATE ${VANDREL_PCH_WIDGETS} ${VANDREL_PCH_TEST} <QTest>)
  else()
    target_precompile_headers(${name} REUSE_FROM vandrel_test_support${sfx})
  endif()
  # Some tests run the program, or the engine's command-line tool, as a child.
  if(suite STREQUAL "ui")
    add_dependencies(${name} vandrel)
  elseif(suite STREQUAL "engine")
    add_dependencies(${name} vandrel-bench)
  endif()
  # Sanitizer options and the private environment are set by the test main itself.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${name}."
    PROPERTIES TIMEOUT 300 DISCOVERY_TIMEOUT 60)
endfunction()

function(vandrel_add_tests sfx)
  vandrel_test_support("${sfx}")
  vandrel_test_suite(platform "${sfx}" vandrel_platform${sfx})
  vandrel_test_suite(core "${sfx}" vandrel_core${sfx})
  vandrel_test_suite(engine "${sfx}" vandrel_engine${sfx})
  vandrel_test_suite(framecore "${sfx}" vandrel_framecore${sfx})
  vandrel_test_suite(ui "${sfx}" vandrel_ui${sfx})
endfunction()
