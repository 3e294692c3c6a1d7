# SPDX-License-Identifier: GPL-3.0-or-later
# "cmake --build build --target format" rewrites every tracked C++ source and
# header in the layout of .clang-format; scripts/check-format.sh is the check.
# The formatter's version is pinned: another clang-format lays some lines out
# differently, and the check would then fail on what this target wrote.
find_program(VANTREL_CLANG_FORMAT clang-format-14)
if(VANTREL_CLANG_FORMAT)
  add_custom_target(format
    COMMAND sh -c "git ls-files -z -- '*.cpp' '*.h' | xargs -0 -r \"$0\" -i" ${VANTREL_CLANG_FORMAT}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "Formatting the tracked sources with ${VANTREL_CLANG_FORMAT}"
    VERBATIM)
else()
  add_custom_target(format
    COMMAND ${CMAKE_COMMAND} -E echo "clang-format-14 was not found (Debian package clang-format-14)"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()
