# The demonstration on Linux: the application directory's folder demo/ is an application
# directory of its own whose Burn.exe is the stand-in tool with its simulated writers (installed
# there by tools/burn). The program in it is the same file as the real one (a hard link, a copy
# where no link can be made: the program finds its folder through its own path), and the skin,
# the language files and the test disc are links to the real ones. `tessaline --demo` starts it.
# Made after the programs have been stripped for a package, so that the link stays one file.
if(WIN32 OR NOT TESSALINE_WIZARD)
  return()
endif()

install(CODE "
  set(appdir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${TESSALINE_APPDIR}\")
  file(REMOVE \"\${appdir}/demo/tessaline\")
  file(CREATE_LINK \"\${appdir}/tessaline\" \"\${appdir}/demo/tessaline\" COPY_ON_ERROR)
  foreach(shared winaqua.skn Lang test.cue test.wav)
    file(REMOVE \"\${appdir}/demo/\${shared}\")
    file(CREATE_LINK \"../\${shared}\" \"\${appdir}/demo/\${shared}\" SYMBOLIC)
  endforeach()
  message(STATUS \"Installing: \${appdir}/demo (the demonstration's program and links)\")
")
