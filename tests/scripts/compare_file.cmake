# cmake -DACTUAL=... -DEXPECTED=... -P compare_file.cmake: the two files are equal byte for
# byte; otherwise a unified difference is printed and the test fails.
if(NOT EXISTS "${ACTUAL}")
  message(FATAL_ERROR "missing: ${ACTUAL}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${EXPECTED}" "${ACTUAL}" RESULT_VARIABLE same)
if(NOT same EQUAL 0)
  execute_process(COMMAND diff -u "${EXPECTED}" "${ACTUAL}")
  message(FATAL_ERROR "${ACTUAL} differs from ${EXPECTED}")
endif()
