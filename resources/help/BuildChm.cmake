# cmake -DSOURCE_DIR= -DWORK_DIR= -DOUTPUT= -DCHMCMD= -DICONV= -P BuildChm.cmake
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(COPY ${SOURCE_DIR}/style.css DESTINATION ${WORK_DIR})
# Each page holds its body alone, from its <h1> heading on; the head every page shares (the
# character set, the style sheet, the title: the heading's text) comes from page.html.in.
file(READ ${SOURCE_DIR}/page.html.in page_template)
file(GLOB pages ${SOURCE_DIR}/*.html)
foreach(page ${pages})
  get_filename_component(name ${page} NAME)
  file(READ ${page} BODY)
  if(NOT BODY MATCHES "^<h1>([^<\n]*)</h1>\n")
    message(FATAL_ERROR "${name} must begin with its heading, <h1>TITLE</h1>, on a line of its own")
  endif()
  set(TITLE "${CMAKE_MATCH_1}")
  string(CONFIGURE "${page_template}" text @ONLY)
  file(WRITE ${WORK_DIR}/${name} "${text}")
endforeach()
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
