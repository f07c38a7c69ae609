# The Windows packages, part of the default build: a per-user setup program
# (NSIS) and a portable zip, both holding Orbek and Nulvex.
#   build-win/Orbek-<version>-setup.exe
#   build-win/Orbek-<version>-win64.zip
# Programs built elsewhere (signed copies, say) can be packaged instead of this
# build's: -DORBEK_PACKAGE_PROGRAMS=<folder with Orbek.exe and Nulvex.exe>.
set(ORBEK_PACKAGE_PROGRAMS "" CACHE PATH
  "Folder with the Orbek.exe and Nulvex.exe to package instead of this build's")

if(ORBEK_PACKAGE_PROGRAMS)
  set(ORBEK_PACKAGE_ORBEK ${ORBEK_PACKAGE_PROGRAMS}/Orbek.exe)
  set(ORBEK_PACKAGE_NULVEX ${ORBEK_PACKAGE_PROGRAMS}/Nulvex.exe)
  set(program_dependencies ${ORBEK_PACKAGE_ORBEK} ${ORBEK_PACKAGE_NULVEX})
elseif(TARGET Orbek AND TARGET Nulvex)
  set(ORBEK_PACKAGE_ORBEK $<TARGET_FILE:Orbek>)
  set(ORBEK_PACKAGE_NULVEX $<TARGET_FILE:Nulvex>)
  set(program_dependencies Orbek Nulvex)
else()
  message(STATUS "No Windows packages: this build makes no Orbek.exe and Nulvex.exe")
  return()
endif()

find_program(MAKENSIS makensis)
if(NOT MAKENSIS)
  message(FATAL_ERROR "makensis not found: install nsis (make deps)")
endif()

set(package_source ${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows)
set(package_work ${CMAKE_CURRENT_BINARY_DIR}/package)
set(ORBEK_SETUP ${CMAKE_CURRENT_BINARY_DIR}/Orbek-${PROJECT_VERSION}-setup.exe)
set(ORBEK_ZIP ${CMAKE_CURRENT_BINARY_DIR}/Orbek-${PROJECT_VERSION}-win64.zip)

# Notepad of older Windows takes a text without a byte order mark or with bare
# line feeds for something else: the source has the mark, the copy gets CRLF.
configure_file(${package_source}/readme.ja.txt.in ${package_work}/readme.ja.txt
  @ONLY NEWLINE_STYLE CRLF)

add_custom_command(OUTPUT ${ORBEK_SETUP}
  COMMAND ${MAKENSIS} -WX -V2 -INPUTCHARSET UTF8
    -DVERSION=${PROJECT_VERSION}
    -DORBEK_EXE=${ORBEK_PACKAGE_ORBEK}
    -DNULVEX_EXE=${ORBEK_PACKAGE_NULVEX}
    -DREADME=${package_work}/readme.ja.txt
    -DICON=${CMAKE_CURRENT_SOURCE_DIR}/assets/orbek.ico
    -DOUTFILE=${ORBEK_SETUP}
    ${package_source}/orbek.nsi
  DEPENDS ${package_source}/orbek.nsi ${package_work}/readme.ja.txt
    ${CMAKE_CURRENT_SOURCE_DIR}/assets/orbek.ico ${program_dependencies}
  COMMENT "Making the setup program Orbek-${PROJECT_VERSION}-setup.exe"
  VERBATIM)

# One folder, Orbek, in the zip. libarchive stores the readme's Japanese name
# (flagged as UTF-8) only in a UTF-8 locale; C.UTF-8 is always there on Debian.
set(zip_root ${package_work}/zip)
add_custom_command(OUTPUT ${ORBEK_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${zip_root}/Orbek ${ORBEK_ZIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${zip_root}/Orbek
  COMMAND ${CMAKE_COMMAND} -E copy ${ORBEK_PACKAGE_ORBEK} ${ORBEK_PACKAGE_NULVEX}
    ${zip_root}/Orbek
  COMMAND ${CMAKE_COMMAND} -E copy ${package_work}/readme.ja.txt ${zip_root}/Orbek/はじめに.txt
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 ${CMAKE_COMMAND} -E chdir ${zip_root}
    ${CMAKE_COMMAND} -E tar cf ${ORBEK_ZIP} --format=zip Orbek
  DEPENDS ${package_work}/readme.ja.txt ${program_dependencies}
  COMMENT "Making the portable zip Orbek-${PROJECT_VERSION}-win64.zip"
  VERBATIM)

add_custom_target(orbek_packages ALL DEPENDS ${ORBEK_SETUP} ${ORBEK_ZIP})
