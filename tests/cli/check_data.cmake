# Regenerates the bundled data into WORK_DIR and compares it byte for byte.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${PYTHON} ${DATA_DIR}/make_data.py ${WORK_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make_data.py failed: ${status}")
endif()
foreach(name two_spirals.txt circle.txt two_clouds.txt)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${DATA_DIR}/${name} ${WORK_DIR}/${name}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "data/${name} differs from what data/make_data.py writes")
  endif()
endforeach()
