# Installs the build into a scratch prefix and checks that the program finds its help beside
# it, that the command links to it, and that desktops find the menu entry, the icon and the type
# of Outlook data files.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P InstallLayout.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
  message(FATAL_ERROR "install failed")
endif()
foreach(path lib/pellmark/pellmark lib/pellmark/Help.html bin/pellmark-export
             share/applications/pellmark.desktop share/icons/hicolor/scalable/apps/pellmark.svg
             share/mime/packages/pellmark.xml)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "missing after install: ${path}")
  endif()
endforeach()
if(NOT IS_SYMLINK "${PREFIX}/bin/pellmark")
  message(FATAL_ERROR "bin/pellmark is not a link to the program")
endif()
file(REAL_PATH "${PREFIX}/bin/pellmark" target)
file(REAL_PATH "${PREFIX}/lib/pellmark/pellmark" program)
if(NOT target STREQUAL program)
  message(FATAL_ERROR "bin/pellmark points at ${target}")
endif()
file(READ "${PREFIX}/share/applications/pellmark.desktop" entry)
if(NOT entry MATCHES "\nExec=[^\n]*/bin/pellmark %f\n" OR NOT entry MATCHES "\nIcon=pellmark\n")
  message(FATAL_ERROR "the menu entry does not start the program with its icon:\n${entry}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
