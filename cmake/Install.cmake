# What "cmake --install" puts where, and the package CPack makes of it: a
# Debian package on Linux ("cpack -G DEB"), a zip archive on Windows
# ("cpack -G ZIP"), both from the build tree. The joiners are not installed:
# they travel inside the programs, which write them beside every set.
include(GNUInstallDirs)
set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(generated ${CMAKE_BINARY_DIR}/packaging)

set(CPACK_PACKAGE_NAME portelan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Portelan-Team)
set(CPACK_PACKAGE_CONTACT "Portelan-Team <feedback@portelan.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "split large files into pieces that join themselves again")
# The default would be a CPack directory of its own; a later build need not see it.
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)

if(WIN32)
  # Flat, as the update check puts it beside the running Portelan.exe; the
  # name is the one an update manifest gives the archive.
  install(TARGETS Portelan RUNTIME DESTINATION .)
  configure_file(${packaging}/LIESMICH.txt.in ${generated}/LIESMICH.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${generated}/LIESMICH.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME portelan-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  include(CPack)
  return()
endif()

# Debian wants manual pages and the changelog compressed, without a time stamp.
find_program(PORTELAN_GZIP gzip REQUIRED)
set(compressed "")
# portelan_gzip(FILE [SUBDIR]) writes gz/[SUBDIR/]NAME.gz.
function(portelan_gzip file)
  get_filename_component(name ${file} NAME)
  set(out ${generated}/gz)
  if(ARGN)
    set(out ${out}/${ARGN})
  endif()
  add_custom_command(OUTPUT ${out}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${file} ${out}/${name}
    COMMAND ${PORTELAN_GZIP} -9nf ${out}/${name}
    DEPENDS ${file}
    VERBATIM)
  set(compressed ${compressed} ${out}/${name}.gz PARENT_SCOPE)
endfunction()

set(programs portelan-cli)
if(PORTELAN_QT)
  list(APPEND programs portelan)
endif()
install(TARGETS ${programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# English pages are the default, the German ones sit in man's directory for German.
foreach(program ${programs})
  configure_file(${packaging}/${program}.1.in ${generated}/${program}.1 @ONLY)
  portelan_gzip(${generated}/${program}.1)
  install(FILES ${generated}/gz/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  configure_file(${packaging}/de/${program}.1.in ${generated}/de/${program}.1 @ONLY)
  portelan_gzip(${generated}/de/${program}.1 de)
  install(FILES ${generated}/gz/de/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/de/man1)
endforeach()
configure_file(${packaging}/changelog.in ${generated}/changelog @ONLY)
portelan_gzip(${generated}/changelog)
# Named after the package, not after the project as CMAKE_INSTALL_DOCDIR is.
install(FILES ${packaging}/copyright ${generated}/gz/changelog.gz DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/portelan)
add_custom_target(portelan_packaging ALL DEPENDS ${compressed})

if(PORTELAN_QT)
  set(PORTELAN_APPSTREAM_ID de.portelan.portelan)
  install(FILES ${packaging}/portelan.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  configure_file(${packaging}/portelan.metainfo.xml.in ${generated}/${PORTELAN_APPSTREAM_ID}.metainfo.xml @ONLY)
  install(FILES ${generated}/${PORTELAN_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size ${PORTELAN_ICON_SIZES})
    install(FILES ${PORTELAN_PICTURES_DIR}/portelan-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME portelan.png)
  endforeach()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beside what the programs link, for the desktop program: the German texts
# of Qt's standard dialogs, and the plugin without which it shows no window.
if(PORTELAN_QT)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, qt6-qpa-plugins")
endif()
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Portelan cuts one large file into numbered pieces of a chosen size (the
preset is a 1.44 MB diskette) and writes, beside them, a configuration file,
a checksum list in the SFV format and two small joiner programs, one for
Windows and one for Linux. On the receiving side, starting the joiner for
that system puts the pieces back together without any other software.
.
This package holds the desktop program portelan and the command-line
program portelan-cli, which also joins, verifies and repairs sets. They
speak English and German, as the system's language says.")
include(CPack)
