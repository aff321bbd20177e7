# GoogleTest from Debian's sources, built for whichever platform this tree targets.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
# GoogleTest's customisation header, found ahead of its own (a quoted include
# looks in -iquote folders first), for its and every test's sources alike.
target_compile_options(gtest PUBLIC -iquote ${CMAKE_SOURCE_DIR}/tests/gtest_port)
include(GoogleTest)

if(WIN32)
  # Windows test programs run under Wine through this wrapper (prefix, HOME and
  # display inside the build tree), in the bed a user of these images has:
  # the x86_64 images in a 64-bit prefix, the i686 ones (what ships) as on
  # 64-bit Windows, and some also as on 32-bit Windows.
  set(QUILLON_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(QUILLON_WINE_BED win64)
  else()
    set(QUILLON_WINE_BED wow64)
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/cmake/wine-run ${QUILLON_WINE_DIR} ${QUILLON_WINE_BED})
endif()

# Runs the Wine test program `test` (a quillon_test, already added in the tree's own bed) also in the
# 32-bit bed when this tree builds the i686 images: as `test@win32`, or with WINDOWS <version> (win2k,
# winxp) as `test@<version>` in a prefix that reports that Windows version.
function(quillon_also_in_32bit_bed test)
  cmake_parse_arguments(B "" "WINDOWS" "" ${ARGN})
  if(NOT WIN32 OR CMAKE_SIZEOF_VOID_P EQUAL 8)
    return()
  endif()
  set(name ${test}@win32)
  if(B_WINDOWS)
    set(name ${test}@${B_WINDOWS})
  endif()
  get_test_property(${test} ENVIRONMENT environment)
  if(NOT environment)
    set(environment "")
  endif()
  string(REPLACE "${test}" "" suffix "${name}")
  list(TRANSFORM environment REPLACE "^QUILLON_FRESH_PREFIX=(.*)$" "QUILLON_FRESH_PREFIX=\\1${suffix}")
  list(APPEND environment QUILLON_WINE_BED=win32)
  if(B_WINDOWS)
    list(APPEND environment QUILLON_WINE_VERSION=${B_WINDOWS})
  endif()
  get_test_property(${test} COST cost)
  get_test_property(${test} TIMEOUT timeout)
  add_test(NAME ${name} COMMAND ${test})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}" LABELS bed=win32)
  if(cost)
    set_tests_properties(${name} PROPERTIES COST ${cost})
  endif()
  if(timeout)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout})
  endif()
endfunction()

# quillon_test(name SOURCES ... LIBS ... [FRESH_PREFIX] [OWN_DISPLAY])
# Natively each GoogleTest case is its own CTest test; under Wine the whole
# program is one test, because every Wine start costs far more than a case.
# OWN_DISPLAY gives the program a virtual display of its own: keyboard and
# mouse input is global to a display, and another test's window there could
# take the focus or the keys.
function(quillon_test name)
  cmake_parse_arguments(T "FRESH_PREFIX;OWN_DISPLAY" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  quillon_warnings(${name})
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS bed=${QUILLON_WINE_BED})
    set(environment "")
    if(T_FRESH_PREFIX)
      list(APPEND environment "QUILLON_FRESH_PREFIX=${name}")
    endif()
    if(T_OWN_DISPLAY)
      list(APPEND environment "QUILLON_OWN_DISPLAY=1")
    endif()
    if(environment)
      set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}")
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
