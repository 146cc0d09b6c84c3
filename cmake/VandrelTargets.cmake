# Every library is built once per variant (plain, ASan+UBSan, TSan), so that the
# sanitizer test binaries link fully instrumented code of our own.

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
  list(FILTER all EXCLUDE REGEX "/app/main\\.cpp$")
  set(${out} ${all} PARENT_SCOPE)
endfunction()

function(vandrel_library name flags)
  cmake_parse_arguments(ARG "" "" "DIRS;LINK;EXTRA" ${ARGN})
  vandrel_sources(src ${ARG_DIRS})
  add_library(${name} STATIC ${src} ${ARG_EXTRA})
  target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}")
  add_dependencies(${name} vandrel_strings) # any of them may include StringIds.h
  target_link_libraries(${name} PUBLIC ${ARG_LINK})
  if(flags)
    target_compile_options(${name} PUBLIC ${flags})
    target_link_options(${name} PUBLIC ${flags})
  endif()
endfunction()

# platform <- core (app/) <- engine <- framecore (mainframe/core) <- ui (app/gui, mainframe, dialogs)
# Only ui uses QtWidgets.
function(vandrel_add_libraries sfx flags)
  vandrel_library(vandrel_platform${sfx} "${flags}" DIRS platform platform/inet
    EXTRA "${VANDREL_STRINGS_CPP}" "${VANDREL_STRING_IDS_H}"
    LINK Qt6::Core Qt6::DBus CURL::libcurl OpenSSL::SSL OpenSSL::Crypto PkgConfig::NETTLE PkgConfig::XCB)
  target_include_directories(vandrel_platform${sfx} PUBLIC "${CMAKE_BINARY_DIR}/generated")
  vandrel_library(vandrel_core${sfx} "${flags}" DIRS app LINK vandrel_platform${sfx})
  vandrel_library(vandrel_engine${sfx} "${flags}" DIRS engine LINK vandrel_core${sfx})
  vandrel_library(vandrel_framecore${sfx} "${flags}" DIRS mainframe/core LINK vandrel_engine${sfx})
  vandrel_library(vandrel_ui${sfx} "${flags}" DIRS app/gui mainframe dialogs
    EXTRA "${VANDREL_TERMS_CPP}"
    LINK vandrel_framecore${sfx} Qt6::Gui Qt6::Widgets Qt6::Network)
  add_dependencies(vandrel_ui${sfx} vandrel_terms)
endfunction()

function(vandrel_test_suite suite sfx flags link gui)
  vandrel_sources(src tests/${suite})
  if(NOT src)
    return()
  endif()
  set(name ${suite}_tests${sfx})
  file(GLOB support CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tests/support/*.cpp" "${CMAKE_SOURCE_DIR}/tests/support/*.h")
  add_executable(${name} ${src} ${support})
  target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}/tests")
  target_link_libraries(${name} PRIVATE ${link} GTest::gtest Qt6::Test Qt6::Network)
  # Some tests run the program, or the engine's command-line tool, as a child.
  if(suite STREQUAL "ui")
    add_dependencies(${name} vandrel)
  elseif(suite STREQUAL "engine")
    add_dependencies(${name} vandrel-bench)
  endif()
  target_compile_definitions(${name} PRIVATE VANDREL_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    VANDREL_TEST_GUI=${gui})
  if(flags)
    target_compile_options(${name} PRIVATE ${flags})
    target_link_options(${name} PRIVATE ${flags})
  endif()
  # Sanitizer options and the private environment are set by the test main itself.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${name}."
    PROPERTIES TIMEOUT 300 DISCOVERY_TIMEOUT 60)
endfunction()

function(vandrel_add_tests sfx flags)
  vandrel_test_suite(platform "${sfx}" "${flags}" vandrel_platform${sfx} 0)
  vandrel_test_suite(core "${sfx}" "${flags}" vandrel_core${sfx} 0)
  vandrel_test_suite(engine "${sfx}" "${flags}" vandrel_engine${sfx} 0)
  vandrel_test_suite(framecore "${sfx}" "${flags}" vandrel_framecore${sfx} 0)
  vandrel_test_suite(ui "${sfx}" "${flags}" vandrel_ui${sfx} 1)
endfunction()
