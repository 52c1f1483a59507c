# Every message that the README's list of messages gives is produced, and
# its text checked, by some test:
#
#   cmake -DREADME=README.md -DTESTS=tests -P readme_messages.cmake
#
# The list stands between <!-- messages --> and <!-- end of messages -->,
# one message in backquotes at the start of each table row; TEXT, N and K
# stand for what varies. Each fixed piece of a message of a dozen characters
# or more must be found in the tests' sources (C++ literals joined, escaped
# quotes unescaped, printf conversions taken as what varies).

file(READ ${README} readme)
string(FIND "${readme}" "<!-- messages -->" begin)
string(FIND "${readme}" "<!-- end of messages -->" end)
if(begin LESS 0 OR end LESS begin)
  message(FATAL_ERROR "${README} has no list of messages")
endif()
math(EXPR length "${end} - ${begin}")
string(SUBSTRING "${readme}" ${begin} ${length} list)
# Semicolons would split CMake's lists.
string(REPLACE ";" "<semicolon>" list "${list}")

file(GLOB_RECURSE sources ${TESTS}/*.cpp ${TESTS}/*.h ${TESTS}/*.tcl ${TESTS}/*/CMakeLists.txt)
set(text "")
foreach(source ${sources})
  file(READ ${source} part)
  string(APPEND text "${part}\n")
endforeach()
string(REGEX REPLACE "\"[ \t\r\n]*\"" "" text "${text}")
string(REPLACE "\\\"" "\"" text "${text}")
string(REGEX REPLACE "%[ds]" "@@" text "${text}")

string(REGEX MATCHALL "\n\\| `[^`]+` \\|" rows "${list}")
set(checked 0)
set(missing 0)
foreach(row ${rows})
  string(REGEX REPLACE "^\n\\| `(.*)` \\|$" "\\1" message "${row}")
  string(REPLACE "\"TEXT\"" "@@" pieces "${message}")
  string(REPLACE "(TEXT)" "(@@" pieces "${pieces}")
  string(REPLACE " N " "@@" pieces "${pieces}")
  string(REPLACE "K points" "@@" pieces "${pieces}")
  string(REPLACE "@@" ";" pieces "${pieces}")
  foreach(piece ${pieces})
    string(REPLACE "<semicolon>" ";" piece "${piece}")
    string(LENGTH "${piece}" n)
    if(n LESS 12)
      continue()
    endif()
    string(FIND "${text}" "${piece}" at)
    if(at LESS 0)
      message(SEND_ERROR "no test produces the README's message: ${message}\n  (missing: \"${piece}\")")
      math(EXPR missing "${missing} + 1")
    endif()
  endforeach()
  math(EXPR checked "${checked} + 1")
endforeach()
if(checked LESS 15)
  message(FATAL_ERROR "only ${checked} messages found in the README's list")
endif()
if(missing GREATER 0)
  message(FATAL_ERROR "${missing} pieces of the README's messages are in no test")
endif()
message(STATUS "all ${checked} messages of the README are checked by tests")
