# GoogleTest from Debian's sources, built for whichever platform this tree targets.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
include(GoogleTest)

if(WIN32)
  # Windows test programs run under Wine through this wrapper (prefix, HOME and
  # display inside the build tree).
  set(QUILLON_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/cmake/wine-run ${QUILLON_WINE_DIR})
endif()

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
