# The operator's guide for the release package: the README's "Operator's guide" section as a
# Markdown file of its own. Its pictures are linked relative to it (docs/NAME.png), so they
# show when docs/ lies beside it, as it does in the package.
set(ORVANE_OPERATOR_GUIDE ${CMAKE_BINARY_DIR}/OperatorGuide.md)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/README.md)

file(READ ${CMAKE_SOURCE_DIR}/README.md readme)
string(FIND "${readme}" "## Operator's guide" guide_start)
if(guide_start EQUAL -1)
  message(FATAL_ERROR "README.md has no \"## Operator's guide\" section")
endif()
string(SUBSTRING "${readme}" ${guide_start} -1 guide)
# The section ends where the next second-level heading begins.
string(FIND "${guide}" "\n## " guide_end)
if(NOT guide_end EQUAL -1)
  string(SUBSTRING "${guide}" 0 ${guide_end} guide)
endif()
set(guide_text "# Orvane ${PROJECT_VERSION}\n\nOrvane finds the video encoder and decoder boxes on the local network and shows them in a table.\n\n${guide}\n")
# Written only when it changed, so that an unchanged guide repackages nothing.
set(guide_before "")
if(EXISTS ${ORVANE_OPERATOR_GUIDE})
  file(READ ${ORVANE_OPERATOR_GUIDE} guide_before)
endif()
if(NOT "${guide_before}" STREQUAL "${guide_text}")
  file(WRITE ${ORVANE_OPERATOR_GUIDE} "${guide_text}")
endif()
