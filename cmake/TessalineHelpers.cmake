# Warnings and sanitizers, applied to every target of ours through tessaline_setup_target().

function(tessaline_setup_target target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
    if(TESSALINE_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
      -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
      -Wconversion -Wno-sign-conversion -Wformat=2 -Wimplicit-fallthrough)
    if(TESSALINE_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

if(TESSALINE_SANITIZE AND NOT MSVC)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Sources of a platform service: name.cpp is shared, name_posix.cpp or name_win.cpp is picked here.
if(WIN32)
  set(TESSALINE_PLATFORM win)
else()
  set(TESSALINE_PLATFORM posix)
endif()
