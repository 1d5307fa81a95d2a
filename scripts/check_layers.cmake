# The include rules of docs/architecture.md, checked on every file of src/:
# a subsystem includes only its own headers and those of the subsystems
# below it, and no two files (a header and its source count as one) include
# each other. Fails naming each include against them. Run by ctest:
#   cmake -DSRC=<repo>/src -P scripts/check_layers.cmake
cmake_minimum_required(VERSION 3.20)

# Lowest first.
set(LAYERS platform shell datafiles output plot editing analyses respirometry calculators thermoregulation scripts)

file(GLOB_RECURSE FILES RELATIVE ${SRC} ${SRC}/*.h ${SRC}/*.cpp)
set(problems "")
set(stems "")
foreach(f IN LISTS FILES)
  string(REGEX MATCH "^[^/]+" own "${f}")
  list(FIND LAYERS ${own} ownRank)
  string(REGEX REPLACE "\\.(h|cpp)$" "" stem "${f}")
  string(MAKE_C_IDENTIFIER "${stem}" key)
  list(APPEND stems ${stem})
  file(STRINGS ${SRC}/${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" inc "${line}")
    string(REGEX MATCH "^[^/]+" dep "${inc}")
    list(FIND LAYERS ${dep} depRank)
    if(ownRank GREATER_EQUAL 0 AND depRank GREATER ownRank)
      string(APPEND problems "  ${f} includes ${inc}: ${own} lies below ${dep}\n")
    endif()
    string(REGEX REPLACE "\\.h$" "" incStem "${inc}")
    if(NOT incStem STREQUAL stem)
      list(APPEND deps_${key} ${incStem})
    endif()
  endforeach()
endforeach()

list(REMOVE_DUPLICATES stems)
foreach(a IN LISTS stems)
  string(MAKE_C_IDENTIFIER "${a}" ka)
  foreach(b IN LISTS deps_${ka})
    if(b STRGREATER a)
      string(MAKE_C_IDENTIFIER "${b}" kb)
      list(FIND deps_${kb} ${a} back)
      if(back GREATER_EQUAL 0)
        string(APPEND problems "  ${a} and ${b} include each other\n")
      endif()
    endif()
  endforeach()
endforeach()

if(NOT problems STREQUAL "")
  message(FATAL_ERROR "Includes against the layers of docs/architecture.md:\n${problems}")
endif()
message(STATUS "layers: every include follows the table")
