# cmake -DDOXYGEN=... -DOUT=DIR -P CheckUndocumented.cmake
# Builds the reference in DIR and fails on any warning Doxygen gives: an
# undocumented public member, a comment it cannot read.
file(REMOVE_RECURSE ${OUT}/html)
file(REMOVE ${OUT}/warnings.txt)
execute_process(COMMAND ${DOXYGEN} ${OUT}/Doxyfile WORKING_DIRECTORY ${OUT} RESULT_VARIABLE rc
                OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "doxygen failed: ${errors}")
endif()
if(NOT EXISTS ${OUT}/html/classfo_1_1cLsBILLhead.html)
  message(FATAL_ERROR "the reference has no page of cLsBILLhead: the headers were not read")
endif()
file(STRINGS ${OUT}/warnings.txt warnings)
list(REMOVE_DUPLICATES warnings)
list(LENGTH warnings count)
if(count GREATER 0)
  list(JOIN warnings "\n" text)
  message(FATAL_ERROR "${count} undocumented public members or unreadable comments:\n${text}")
endif()
