# Release packages. On freedesktop systems: the files a Debian package needs beside the program
# (AppStream metainfo, man page, copyright, changelog) and CPack's DEB settings; `cpack -G DEB` in
# a build folder configured for Release makes tessaline_<version>_amd64.deb, installed to /usr
# (scripts/package-deb.sh builds and checks it). On Windows nothing here: the installer is made by
# makensis around the installed folder (packaging/windows/tessaline.nsi, scripts/package-win.sh).

if(WIN32 OR NOT TESSALINE_WIZARD)
  return()
endif()

# The man page and the changelog are installed compressed, as Debian wants them: gzip -9 with
# no name or time stamp in the header, so the package's bytes do not change from build to build.
find_program(TESSALINE_GZIP gzip REQUIRED)
set(tessaline_gzipped_docs)
foreach(doc IN ITEMS tessaline.1 changelog)
  set(source ${PROJECT_SOURCE_DIR}/packaging/${doc})
  set(output ${PROJECT_BINARY_DIR}/packaging/${doc}.gz)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
                     COMMAND ${TESSALINE_GZIP} -9 -n -c ${source} > ${output}
                     DEPENDS ${source} VERBATIM)
  list(APPEND tessaline_gzipped_docs ${output})
endforeach()
add_custom_target(tessaline_package_docs ALL DEPENDS ${tessaline_gzipped_docs})

set(TESSALINE_METAINFO_ID "com.quorvane.tessaline")
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${TESSALINE_METAINFO_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_BINARY_DIR}/packaging/tessaline.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# A Debian native package (its version has no Debian revision) names its changelog changelog.gz.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessaline)

# Stripped for the package (CPACK_STRIP_FILES, or cmake --install --strip), the programs also lose
# the compiler's notes in .comment and .note, as dh_strip takes them out of Debian's packages.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program tessaline Burn.exe demo/Burn.exe)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${TESSALINE_APPDIR}/\${program}\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()")
# Lintian's judgements that do not apply, each with its reason (packaging/lintian-overrides).
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME tessaline)

# CPack: the Debian package.
set(CPACK_PACKAGE_NAME "tessaline")
set(CPACK_PACKAGE_VENDOR "Quorvane")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Tessaline developers <tessaline@quorvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "wizard that finds the driver for a CD writer")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR "DEB")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# CPack puts the summary above this text.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tessaline asks a CD-recording command-line tool which CD writers it sees,
tries the tool's drivers one after the other with the writer you choose
until one works, stores that driver's position in the user's settings and
runs a simulated write with it.
.
It drives the writer through cdrdao. A demonstration with simulated
writers (tessaline --demo) shows the wizard on a computer without a CD
writer; it keeps its results apart from the user's settings.")
# Libraries are found by dpkg-shlibdeps. What it cannot see: the recording tool cdrdao, which
# Burn.exe (the bridge) runs; Qt's X11 platform plugin, loaded at
# run time, and the skin labels' face "MS Sans Serif" that the window loads from Wine's font
# folder (/usr/share/wine/fonts/ms_sans_serif.ttf). The window's other faces fall back to
# Liberation Sans or DejaVu Sans.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "cdrdao, qt6-qpa-plugins, fonts-wine")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2 | fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
