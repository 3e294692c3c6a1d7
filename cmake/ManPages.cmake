# SPDX-License-Identifier: GPL-3.0-or-later
# The man pages, and the checks of the installed metadata and pages. The
# Debian packages are made from the install by debian/rules.

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

# --- checks of what is installed -----------------------------------------------
if(VANTREL_BUILD_TESTS)
  enable_testing()
  add_test(NAME metainfo_validate
           COMMAND appstreamcli validate --no-net --pedantic
                   ${CMAKE_CURRENT_BINARY_DIR}/data/org.morvent.Vantrel.metainfo.xml)
  add_test(NAME man_pages_render
           COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-man-pages.sh
                   ${PROJECT_SOURCE_DIR}/man/vantrel.1 ${PROJECT_SOURCE_DIR}/man/vantrel-line.1
                   ${PROJECT_SOURCE_DIR}/man/vantrel-ctl.1)
endif()
