# cmake -DPYTHON=... -DGENERATOR=... -DOUTPUT=... -DCOMMITTED=... -P CheckGeneratedTables.cmake
# Fails unless the generator, run today, writes exactly the table file that is committed.
execute_process(COMMAND "${PYTHON}" "${GENERATOR}" "${OUTPUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${GENERATOR} failed: ${status}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUTPUT}" "${COMMITTED}" RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "${COMMITTED} differs from the generator's output ${OUTPUT}; regenerate and commit it")
endif()
