# cmake -DSOURCE_DIR= -DWORK_DIR= -DOUTPUT= -DCHMCMD= -DICONV= -P BuildChm.cmake
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(GLOB pages ${SOURCE_DIR}/*.html ${SOURCE_DIR}/*.css)
file(COPY ${pages} DESTINATION ${WORK_DIR})
foreach(name kuku_V24.hhp toc.hhc index.hhk)
  execute_process(COMMAND ${ICONV} -f UTF-8 -t CP932 ${SOURCE_DIR}/${name}
    OUTPUT_FILE ${WORK_DIR}/${name} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${name} has characters that CP932 cannot hold")
  endif()
endforeach()
execute_process(COMMAND ${CHMCMD} kuku_V24.hhp WORKING_DIRECTORY ${WORK_DIR}
  RESULT_VARIABLE rc OUTPUT_VARIABLE log ERROR_VARIABLE log)
# chmcmd reports a missing page only as a message, so its log is checked as well as its status.
if(NOT rc EQUAL 0 OR NOT EXISTS ${WORK_DIR}/kuku_V24.chm OR log MATCHES "[Ee]rror|does not exist|exception")
  message(FATAL_ERROR "chmcmd failed:\n${log}")
endif()
get_filename_component(out_dir ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${out_dir})
file(COPY_FILE ${WORK_DIR}/kuku_V24.chm ${OUTPUT})
