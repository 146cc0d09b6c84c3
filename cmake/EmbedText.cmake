# Embeds a UTF-8 text file as one raw literal named SYMBOL.
file(READ "${INPUT}" content)
string(FIND "${content}" ")vrltext\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the literal's end marker")
endif()
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${NAME}; do not edit.\n"
  "extern const char ${SYMBOL}[];\n"
  "const char ${SYMBOL}[] = R\"vrltext(${content})vrltext\";\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
