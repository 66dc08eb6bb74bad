# The API reference: a `docs` target that runs Doxygen over the public headers, present only when
# Doxygen is installed. The HTML goes to <build>/docs/html; any warning (an undocumented public
# name, a broken reference) fails the target.
find_package(Doxygen QUIET OPTIONAL_COMPONENTS dot)
if(NOT DOXYGEN_FOUND)
  message(STATUS "Doxygen not found: no `docs` target (scripts/build-docs.sh installs it)")
  return()
endif()

set(OZM_DOCS_OUTPUT_DIR ${CMAKE_CURRENT_BINARY_DIR}/docs)
if(TARGET Doxygen::dot)
  set(OZM_DOCS_HAVE_DOT YES)
  get_filename_component(OZM_DOCS_DOT_PATH "${DOXYGEN_DOT_EXECUTABLE}" DIRECTORY)
else()
  set(OZM_DOCS_HAVE_DOT NO)
  set(OZM_DOCS_DOT_PATH "")
endif()
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/docs/Doxyfile.in ${OZM_DOCS_OUTPUT_DIR}/Doxyfile @ONLY)

# The target always runs (Doxygen takes a few seconds): a failed run must not leave an index that
# a later build would take for up to date. Doxygen scans the folder itself, so a new header is
# documented without configuring again.
add_custom_target(docs
  COMMAND ${CMAKE_COMMAND} -E remove_directory ${OZM_DOCS_OUTPUT_DIR}/html
  COMMAND Doxygen::doxygen ${OZM_DOCS_OUTPUT_DIR}/Doxyfile
  COMMAND ${CMAKE_COMMAND} -E echo "API reference: ${OZM_DOCS_OUTPUT_DIR}/html/index.html"
  WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
  COMMENT "Building the API reference with Doxygen"
  VERBATIM)
