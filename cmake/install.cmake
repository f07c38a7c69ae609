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

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orbek)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "${ORBEK_AUTHOR}")
set(CPACK_PACKAGE_CONTACT "${ORBEK_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Stored sentences on the clipboard from the notification area")
set(CPACK_PACKAGE_DESCRIPTION
  "Orbek keeps the texts you type again and again and puts any of them on the clipboard from its icon in the notification area. Nulvex deletes all stored sentences.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ORBEK_AUTHOR} <${ORBEK_CONTACT}>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
