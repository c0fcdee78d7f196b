# Linux: what `cmake --install` puts beside the programs (desktop entry, icon, AppStream
# metainfo, manual pages) and the Debian package that CPack makes of it all
# (scripts/package).
include(GNUInstallDirs)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# The AppStream component id (BELVANTO_APP_ID, set at the top) also names the desktop
# entry and the icon.
set(BELVANTO_MAINTAINER "The Belvanto authors <belvanto@belvanto.invalid>")

# A release is dated by its last commit, so a build of one commit says the same any day.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(commit_time)
    set(ENV{SOURCE_DATE_EPOCH} ${commit_time})
  endif()
endif()
string(TIMESTAMP BELVANTO_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP BELVANTO_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(generated ${PROJECT_BINARY_DIR}/packaging)
configure_file(${packaging}/changelog.in ${generated}/changelog @ONLY)

# Debian keeps manual pages and changelogs compressed, without name or time stamp.
add_custom_command(OUTPUT ${generated}/changelog.gz
                   COMMAND gzip -9nkf ${generated}/changelog
                   DEPENDS ${generated}/changelog VERBATIM)
function(belvanto_man_page name markdown)
  add_custom_command(OUTPUT ${generated}/${name}.1.gz
                     COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/man-page ${markdown}
                             "${name}(1)" ${PROJECT_VERSION} ${BELVANTO_RELEASE_DATE} ${generated}/${name}.1
                     COMMAND gzip -9nf ${generated}/${name}.1
                     DEPENDS ${PROJECT_SOURCE_DIR}/scripts/man-page ${markdown} VERBATIM)
endfunction()
# belvanto-cli's page is the README's section of that name, so the two cannot drift.
belvanto_man_page(belvanto-cli ${PROJECT_SOURCE_DIR}/README.md)
set(pages ${generated}/belvanto-cli.1.gz)
install(FILES ${packaging}/copyright ${generated}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(BELVANTO_GUI)
  belvanto_man_page(belvanto ${packaging}/belvanto.1.md)
  list(APPEND pages ${generated}/belvanto.1.gz)
  configure_file(${packaging}/belvanto.desktop.in ${generated}/${BELVANTO_APP_ID}.desktop @ONLY)
  configure_file(${packaging}/belvanto.metainfo.xml.in ${generated}/${BELVANTO_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${generated}/${BELVANTO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${generated}/${BELVANTO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${packaging}/belvanto.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME ${BELVANTO_APP_ID}.svg)
endif()
install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
add_custom_target(belvanto_linux_files ALL DEPENDS ${pages} ${generated}/changelog.gz)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME belvanto)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${BELVANTO_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "memory smart card programmer for serial readers")
set(CPACK_PACKAGE_DESCRIPTION "\
Belvanto reads, writes, verifies and erases the serial EEPROM (24C16, 24C32 or
24C64) of a memory smart card through a simple serial smart-card reader: a Qt
window (belvanto) and a terminal program for scripts (belvanto-cli). Built-in
simulated readers let every command be tried without hardware.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugin (X11, Wayland) at run time, out of dpkg-shlibdeps' sight.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
