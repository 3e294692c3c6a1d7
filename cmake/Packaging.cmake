# SPDX-License-Identifier: GPL-3.0-or-later
# Man pages, the package's documentation, and the Debian package (CPack's DEB
# generator). `cpack` in a build folder configured with
# -DCMAKE_INSTALL_PREFIX=/usr -DVANTREL_DEVELOPER_BUILD=OFF makes
# vantrel_<version>_<arch>.deb; scripts/build-deb.sh does exactly that.

# Man pages, compressed as Debian's policy wants them (gzip -9, no name or
# time in the header, so the package is the same on every build).
set(man_pages vantrel.1 vantrel-line.1 vantrel-ctl.1)
set(man_gz)
foreach(page IN LISTS man_pages)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/man/${page})
  add_custom_command(
    OUTPUT ${out}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/man/${page} ${out}
    COMMAND gzip -9nf ${out}
    DEPENDS ${PROJECT_SOURCE_DIR}/man/${page}
    VERBATIM)
  list(APPEND man_gz ${out}.gz)
endforeach()
add_custom_target(vantrel_man ALL DEPENDS ${man_gz})
install(FILES ${man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The package's documentation: copyright in Debian's machine-readable format
# and the changelog, whose newest entry is this version.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/vantrel)
configure_file(${PROJECT_SOURCE_DIR}/data/debian/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz
  COMMAND gzip -9nkf ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog
  VERBATIM)
add_custom_target(vantrel_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz
        DESTINATION ${doc_dir})

# --- the Debian package ---------------------------------------------------------
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE deb_arch
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT deb_arch)
  set(deb_arch amd64)
endif()
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vantrel developers")
set(CPACK_PACKAGE_CONTACT "Vantrel maintainers <maintainers@users.noreply.c-seed-db75d099.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray utility that shows the address and dials connections")
# One argument: a list would lose the description's semicolons.
set(CPACK_PACKAGE_DESCRIPTION "Vantrel lives as an icon in the notification area of the desktop's panel.
The icon's tip shows the machine's current address, and a globe turns
while a dial-up connection is up. It dials phonebook entries, or a cycle
of entries, with redial attempts; raises an alarm after a set number of
connected minutes; and keeps a plain-text log of connections. Its entries
are NetworkManager's dial-up, mobile broadband and VPN profiles, or a
simulated line driven by the vantrel-line tool.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # vantrel_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${deb_arch})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VANTREL_HOMEPAGE})
# The libraries the binaries link come from dpkg-shlibdeps. Qt loads its
# platform plugin (xcb, or wayland) at run time, which no linker records: that
# one is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Qt's own catalogues (the standard buttons of the file dialog and boxes)
# for a translated desktop; the program's catalogues are inside it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n")
# The installed paths are the ones the program was built for (the module
# folder is compiled in), so the package uses the configured prefix.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/CPackProjectConfig.cmake)
configure_file(${CMAKE_CURRENT_LIST_DIR}/CPackProjectConfig.cmake.in ${CPACK_PROJECT_CONFIG_FILE} @ONLY)
include(CPack)

# --- checks of what is installed -----------------------------------------------
if(VANTREL_BUILD_TESTS OR NOT VANTREL_DEVELOPER_BUILD)
  enable_testing()
  add_test(NAME metainfo_validate
           COMMAND appstreamcli validate --no-net --pedantic
                   ${CMAKE_CURRENT_BINARY_DIR}/data/org.morvent.Vantrel.metainfo.xml)
  add_test(NAME man_pages_render
           COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-man-pages.sh
                   ${PROJECT_SOURCE_DIR}/man/vantrel.1 ${PROJECT_SOURCE_DIR}/man/vantrel-line.1
                   ${PROJECT_SOURCE_DIR}/man/vantrel-ctl.1)
endif()
if(NOT VANTREL_DEVELOPER_BUILD)
  set(deb_file ${CMAKE_CURRENT_BINARY_DIR}/vantrel_${PROJECT_VERSION}_${deb_arch}.deb)
  # The package's binaries carry no path of this machine's build or source tree.
  add_test(NAME package_no_build_paths
           COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-build-paths.sh ${deb_file}
                   ${CMAKE_CURRENT_BINARY_DIR} ${PROJECT_SOURCE_DIR})
  add_test(NAME package_lintian
           COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-lintian.sh ${deb_file})
  set_tests_properties(package_no_build_paths package_lintian PROPERTIES REQUIRED_FILES ${deb_file})
endif()
