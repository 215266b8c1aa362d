# Files Debian installs compressed (manual pages, changelogs).
include(GNUInstallDirs)

# pellmark_install_gzipped(SOURCE DESTINATION): installs SOURCE (relative to the calling
# folder) compressed with gzip -9n, as SOURCE's name plus .gz, into DESTINATION.
function(pellmark_install_gzipped source destination)
  get_filename_component(name ${source} NAME)
  get_filename_component(full ${source} ABSOLUTE)
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${full} ${copy}
    COMMAND gzip -9nf ${copy}
    DEPENDS ${full} VERBATIM)
  add_custom_target(${name}-gz ALL DEPENDS ${copy}.gz)
  set_property(GLOBAL APPEND PROPERTY PELLMARK_INSTALLED_TARGETS ${name}-gz)
  install(FILES ${copy}.gz DESTINATION ${destination})
endfunction()

# pellmark_man_page(SOURCE): a manual page of section 1.
function(pellmark_man_page source)
  pellmark_install_gzipped(${source} ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
