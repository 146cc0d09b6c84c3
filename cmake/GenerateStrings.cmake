# Embeds the string table as one raw literal; parsed once at run time.
file(READ "${INPUT}" content)
string(FIND "${content}" ")vrlstrings\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the literal's end marker")
endif()
file(WRITE "${OUTPUT}.tmp"
  "// Generated from resources/strings.txt; do not edit.\n"
  "extern const char kVandrelStringTable[];\n"
  "const char kVandrelStringTable[] = R\"vrlstrings(${content})vrlstrings\";\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
