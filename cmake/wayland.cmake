# Wayland protocols, through wayland-scanner: the client's header and code
# of each protocol XML go into `target`, which can include the headers.
find_package(PkgConfig REQUIRED)
pkg_check_modules(WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client)
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)

function(orbek_wayland_protocols target)
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/wayland-protocols)
  foreach(xml IN LISTS ARGN)
    get_filename_component(protocol ${xml} NAME_WE)
    set(out ${folder}/${protocol})
    add_custom_command(OUTPUT ${out}-client-protocol.h ${out}-protocol.c
      COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${out}-client-protocol.h
      COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${out}-protocol.c
      DEPENDS ${xml})
    target_sources(${target} PRIVATE ${out}-client-protocol.h ${out}-protocol.c)
  endforeach()
  target_include_directories(${target} PRIVATE ${folder})
  target_link_libraries(${target} PUBLIC PkgConfig::WAYLAND_CLIENT)
endfunction()
