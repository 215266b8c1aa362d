# The Debian package: what the install target installs, below /usr, with the Debian packages
# the programs need as its dependencies (the libraries found by dpkg-shlibdeps, plus what is
# loaded at run time: Qt's platform plugins and the window's fonts). scripts/package.sh
# builds it.
include(GNUInstallDirs)

set(PELLMARK_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/pellmark)
# Debian wants a copyright file and a compressed changelog in every package's doc directory.
pellmark_install_gzipped(cmake/changelog ${PELLMARK_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/cmake/copyright DESTINATION ${PELLMARK_DOC_DIR})
# What lintian reports of this package and is as it should be, each with the reason.
install(FILES ${PROJECT_SOURCE_DIR}/cmake/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME pellmark)

# What the package holds, built alone: scripts/package.sh builds this target, not the tools and
# benchmarks beside it (CPack itself builds nothing).
get_property(gzipped GLOBAL PROPERTY PELLMARK_INSTALLED_TARGETS)
add_custom_target(pellmark-packaged)
add_dependencies(pellmark-packaged pellmark pellmark-export ${gzipped})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pellmark)
set(CPACK_PACKAGE_VENDOR Pellmark)
set(CPACK_PACKAGE_CONTACT "Pellmark support <support@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "export Outlook data files to ordinary files and mailboxes")
set(CPACK_PACKAGE_DESCRIPTION
    "Pellmark reads Outlook data files (.pst and .ost) itself and exports their\n"
    "folders to ordinary files (.msg, .eml, .txt, .vcf, .rtf, .html, .mht), one file\n"
    "per item, or to mbox and Maildir mailboxes for other mail programs and IMAP\n"
    "servers. It has a desktop window and a command line, pellmark-export.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/PackageStrip.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.example.org/pellmark")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The .pdf writer's engine runs Chromium's helper program, which no library link names.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fonts-dejavu-core, fonts-dejavu-extra, libqt6webenginecore6-bin")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
