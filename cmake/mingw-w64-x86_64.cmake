# Cross build for 64-bit Windows with Debian's MinGW-w64 (the posix thread model, for std::thread
# and std::mutex). Programs are linked statically so that they run under Wine without DLLs, and
# tests run through Wine in a prefix of the build folder's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TESSALINE_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESSALINE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSALINE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSALINE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TESSALINE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(TESSALINE_WINE NAMES wine wine64)
  if(TESSALINE_WINE)
    # Given on the command line or in the environment, WINEPREFIX wins over the build folder's.
    if(DEFINED ENV{WINEPREFIX})
      set(tessaline_wine_prefix "$ENV{WINEPREFIX}")
    else()
      set(tessaline_wine_prefix "${CMAKE_BINARY_DIR}/wine-prefix")
    endif()
    set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${tessaline_wine_prefix} WINEDEBUG=-all
        ${TESSALINE_WINE})
  endif()
endif()
