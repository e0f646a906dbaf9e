# `make docs` (target docs): the reference of the public interface, built by
# Doxygen from the public headers' comments into build/docs/html, with the
# host's guide (docs/module-api.md) as its first page. A ctest test fails
# on a public member that has no comment.
include(${CMAKE_CURRENT_LIST_DIR}/FeeOfficePublicHeaders.cmake)
find_program(DOXYGEN_EXECUTABLE doxygen)
if(DOXYGEN_EXECUTABLE)
  set(FEEOFFICE_DOCS_OUT ${CMAKE_BINARY_DIR}/docs)
  set(FEEOFFICE_DOCS_INPUT ${CMAKE_SOURCE_DIR}/docs/module-api.md)
  foreach(header ${FEEOFFICE_PUBLIC_HEADERS} ${FEEOFFICE_QT_PUBLIC_HEADERS})
    string(APPEND FEEOFFICE_DOCS_INPUT " ${CMAKE_SOURCE_DIR}/src/${header}")
  endforeach()
  configure_file(${CMAKE_CURRENT_LIST_DIR}/Doxyfile.in ${FEEOFFICE_DOCS_OUT}/Doxyfile @ONLY)
  add_custom_target(docs
    COMMAND ${CMAKE_COMMAND} -E rm -f ${FEEOFFICE_DOCS_OUT}/warnings.txt
    COMMAND ${DOXYGEN_EXECUTABLE} ${FEEOFFICE_DOCS_OUT}/Doxyfile
    WORKING_DIRECTORY ${FEEOFFICE_DOCS_OUT}
    COMMENT "The module's reference: ${FEEOFFICE_DOCS_OUT}/html/index.html"
    VERBATIM)
endif()

# The reference as the test builds it, into a folder of its own; the test
# fails on any public member without a comment (and when the reference of
# the bill header object is missing, so a broken filter cannot pass).
if(DOXYGEN_EXECUTABLE AND FEEOFFICE_BUILD_TESTS)
  set(FEEOFFICE_DOCS_OUT ${CMAKE_BINARY_DIR}/testtmp/docs)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/Doxyfile.in ${FEEOFFICE_DOCS_OUT}/Doxyfile @ONLY)
  add_test(NAME module.docs.undocumented
           COMMAND ${CMAKE_COMMAND} -DDOXYGEN=${DOXYGEN_EXECUTABLE} -DOUT=${FEEOFFICE_DOCS_OUT}
                   -P ${CMAKE_CURRENT_LIST_DIR}/CheckUndocumented.cmake)
endif()
