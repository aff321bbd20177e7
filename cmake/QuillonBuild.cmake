# Compiler settings shared by every target of our own.

if(QUILLON_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # The ANSI (...A) functions throughout; XP-era API surface is enough.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  # Make the images reproducible: no time stamp in the PE header.
  add_link_options(-Wl,--no-insert-timestamp)
endif()

# Warnings as errors in our own code only (GoogleTest keeps its own flags).
function(quillon_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion -Werror)
  endif()
endfunction()

# Builds from different folders give the same images: no absolute source or
# build path in them.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
