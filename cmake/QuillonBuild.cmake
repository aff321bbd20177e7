# Compiler settings shared by every target of our own.

if(QUILLON_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # The ANSI (...A) functions throughout, declared as of Windows 7 (0x0601);
  # anything newer than XP is looked up at run time, so the programs still
  # start where a call is missing.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  # Make the images reproducible: no time stamp in the PE header.
  add_link_options(-Wl,--no-insert-timestamp)
  # Every function and object in its own section, so that the linker drops
  # what nothing calls: most of the statically linked C++ runtime.
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
endif()

# Warnings as errors in our own code only (GoogleTest keeps its own flags).
function(quillon_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion -Werror)
  endif()
endfunction()

# What setup.exe is made of (the launcher's libraries and the platform's text
# helpers) is built once, in setup's shape, and the wizard, the tests, fuzz
# targets and benchmarks link the very same libraries: no exceptions (the
# worker's failures are results, its allocations checked; nothing catches
# one anywhere) and, on Windows, for size. CHECKED adds the standard
# library's checks (whose failure handler both programs replace: see
# platform/win32/quiet_terminate.cpp).
function(quillon_setup_shape target)
  cmake_parse_arguments(S "CHECKED" "" "" ${ARGN})
  if(MSVC OR QUILLON_HOST_TOOLS_ONLY)
    return()
  endif()
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>)
  if(WIN32)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Os -fno-asynchronous-unwind-tables>)
    if(S_CHECKED)
      target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-D_GLIBCXX_ASSERTIONS>)
    endif()
  endif()
endfunction()

# Builds from different folders give the same images: no absolute source or
# build path in them.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)

# The payload's file times are clamped to this moment: the last commit's
# time, or SOURCE_DATE_EPOCH when the builder sets one.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(source_date_epoch $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE source_date_epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_result ERROR_QUIET)
  if(NOT git_result EQUAL 0 OR source_date_epoch STREQUAL "")
    set(source_date_epoch 1780000000)
  endif()
endif()
set(QUILLON_SOURCE_DATE_EPOCH ${source_date_epoch} CACHE INTERNAL "the payload's latest file time")
