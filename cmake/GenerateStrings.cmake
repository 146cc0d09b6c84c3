# Embeds the string table as one raw literal, parsed once at run time, without
# the name column; the names become the enum TextId in HEADER.
file(READ "${INPUT}" content)
string(FIND "${content}" ")vrlstrings\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the literal's end marker")
endif()

# A leading line break lets every entry match at a line's start.
set(content "\n${content}")
string(REGEX MATCHALL "\n[0-9]+\t" entries "${content}")
string(REGEX MATCHALL "\n[0-9]+\t[A-Z][A-Za-z0-9]*\t" named "${content}")
list(LENGTH entries entryCount)
list(LENGTH named namedCount)
if(NOT entryCount EQUAL namedCount)
  message(FATAL_ERROR "${INPUT}: every line needs \"id<TAB>Name<TAB>text\" with a CamelCase name")
endif()

set(enumerators "")
foreach(entry IN LISTS named)
  string(REGEX MATCH "([0-9]+)\t([A-Za-z0-9]+)" _ "${entry}")
  string(APPEND enumerators "    ${CMAKE_MATCH_2} = ${CMAKE_MATCH_1},\n")
endforeach()
file(WRITE "${HEADER}.tmp"
  "// Generated from resources/strings.txt; do not edit.\n"
  "#pragma once\n\n"
  "// A text of the string table. None (0) is no text.\n"
  "enum class TextId : unsigned\n{\n    None = 0,\n${enumerators}};\n")

string(REGEX REPLACE "\n([0-9]+)\t[A-Za-z0-9]+\t" "\n\\1\t" content "${content}")
string(SUBSTRING "${content}" 1 -1 content)
file(WRITE "${OUTPUT}.tmp"
  "// Generated from resources/strings.txt; do not edit.\n"
  "extern const char kVandrelStringTable[];\n"
  "const char kVandrelStringTable[] = R\"vrlstrings(${content})vrlstrings\";\n")
# Unchanged outputs keep their times, so that a new text rebuilds no user of the names.
file(COPY_FILE "${HEADER}.tmp" "${HEADER}" ONLY_IF_DIFFERENT)
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
