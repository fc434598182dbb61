# Builds one SQLite database from SQL sources, always from an empty file, so that the
# same sources give the same bytes.
#   cmake -DSQLITE3=<sqlite3 program> -DOUT=<database> -DSOURCES=<a.sql|b.sql|...> -P builddb.cmake
if(NOT SQLITE3 OR NOT OUT OR NOT SOURCES)
  message(FATAL_ERROR "builddb.cmake needs SQLITE3, OUT and SOURCES")
endif()

string(REPLACE "|" ";" sources "${SOURCES}")
set(reads)
foreach(src IN LISTS sources)
  list(APPEND reads ".read '${src}'")
endforeach()

set(tmp "${OUT}.part")
file(REMOVE "${tmp}" "${tmp}-journal")
# The journal settings only speed the build up; neither is stored in the file.
execute_process(
  COMMAND "${SQLITE3}" -bail -batch -init /dev/null "${tmp}"
          "PRAGMA journal_mode = MEMORY;" "PRAGMA synchronous = OFF;" ${reads}
  RESULT_VARIABLE rc
  OUTPUT_QUIET
  ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  file(REMOVE "${tmp}")
  message(FATAL_ERROR "building ${OUT} failed: ${err}")
endif()
file(RENAME "${tmp}" "${OUT}")
