# Installation and the Debian package.
include(GNUInstallDirs)

install(TARGETS Orbek Nulvex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(orbek_icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
foreach(app orbek nulvex)
  install(FILES ${PROJECT_SOURCE_DIR}/assets/${app}.png DESTINATION ${orbek_icons}/32x32/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/assets/${app}-256.png
    DESTINATION ${orbek_icons}/256x256/apps RENAME ${app}.png)
  install(FILES ${PROJECT_SOURCE_DIR}/assets/${app}.svg DESTINATION ${orbek_icons}/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/desktop/${app}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endforeach()
# Starting at login is the user's choice: the entry is only offered, for
# copying to ~/.config/autostart, never put in the system-wide autostart folder.
install(FILES ${PROJECT_SOURCE_DIR}/desktop/orbek.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/orbek/autostart)

set(orbek_generated ${PROJECT_BINARY_DIR}/generated)

# What software centres show of Orbek.
set(ORBEK_APPSTREAM_ID org.example.orbek)
configure_file(${PROJECT_SOURCE_DIR}/desktop/orbek.metainfo.xml.in
  ${orbek_generated}/${ORBEK_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${orbek_generated}/${ORBEK_APPSTREAM_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The licence, as Debian's machine-readable copyright file: the copyright
# line of LICENSE, then its text with each line indented, a blank one as ".".
set(orbek_doc ${CMAKE_INSTALL_DATADIR}/doc/orbek)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
if(NOT licence MATCHES "Copyright \\(c\\) ([^\n]+)\n\n(.+)")
  message(FATAL_ERROR "LICENSE: no copyright line followed by the licence's text")
endif()
set(ORBEK_COPYRIGHT "${CMAKE_MATCH_1}")
string(STRIP "${CMAKE_MATCH_2}" licence)
string(REPLACE "\n\n" "\n.\n" licence "${licence}")
string(REPLACE "\n" "\n " licence "${licence}")
set(ORBEK_LICENSE_TEXT " ${licence}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/copyright.in
  ${orbek_generated}/copyright @ONLY)
install(FILES ${orbek_generated}/copyright DESTINATION ${orbek_doc})

# The history of versions and the manual pages, compressed as Debian keeps
# them: gzip at its best and with no name or time inside, so that the same
# sources make the same bytes.
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
  ${orbek_generated}/changelog @ONLY)
set(orbek_compressed "")
function(orbek_install_compressed source folder)
  get_filename_component(name ${source} NAME)
  set(compressed ${PROJECT_BINARY_DIR}/compressed/${folder}/${name}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND sh -c "gzip -9nc \"$0\" >\"$1\"" ${source} ${compressed}
    DEPENDS ${source} VERBATIM)
  install(FILES ${compressed} DESTINATION ${folder})
  set(orbek_compressed ${orbek_compressed} ${compressed} PARENT_SCOPE)
endfunction()
orbek_install_compressed(${orbek_generated}/changelog ${orbek_doc})
foreach(program Orbek Nulvex)
  orbek_install_compressed(${PROJECT_SOURCE_DIR}/docs/man/${program}.1 ${CMAKE_INSTALL_MANDIR}/man1)
  orbek_install_compressed(${PROJECT_SOURCE_DIR}/docs/man/ja/${program}.1
    ${CMAKE_INSTALL_MANDIR}/ja/man1)
endforeach()
add_custom_target(orbek_compressed ALL DEPENDS ${orbek_compressed})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orbek)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "${ORBEK_AUTHOR}")
set(CPACK_PACKAGE_CONTACT "${ORBEK_CONTACT}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${ORBEK_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "stored sentences on the clipboard from the notification area")
# Lines of at most 80 characters: the package tools show them as they are.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Orbek keeps the texts you type again and again (greetings, addresses,"
  "signatures, whole paragraphs) and puts any of them on the clipboard from its"
  "icon in the notification area: a left click opens the menu of the sentences,"
  "a right click registers the text on the clipboard or opens the editor."
  ""
  "Nulvex, its companion, deletes all stored sentences."
  ""
  "The user interface is Japanese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ORBEK_AUTHOR} <${ORBEK_CONTACT}>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs without their symbols, which the build keeps for debugging.
set(CPACK_STRIP_FILES ON)
include(CPack)
