# cmake -DINPUT=FILE -DOUTPUT=HEADER -DNAME=VARIABLE -P embed_text.cmake
#
# Writes HEADER, holding FILE's text as `static const char VARIABLE[]`, a
# C++ raw string (FILE must not contain the sequence )embedded").
set(text "")
foreach(input ${INPUT} ${MORE})
  file(READ ${input} part)
  string(APPEND text "${part}")
endforeach()
file(WRITE ${OUTPUT}.tmp "// Made from ${INPUT} by embed_text.cmake: do not edit.\n"
  "static const char ${NAME}[] = R\"embedded(${text})embedded\";\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
