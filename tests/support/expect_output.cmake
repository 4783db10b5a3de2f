# Runs a program and passes when it exits with status 0 and its standard output matches
# EXPECT (CTest's PASS_REGULAR_EXPRESSION alone would ignore the exit status).
#   cmake -DPROGRAM=path "-DARGS=a|b|c" "-DEXPECT=regex" -P expect_output.cmake
string(REPLACE "|" ";" args "${ARGS}")
execute_process(COMMAND "${PROGRAM}" ${args} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} exited with ${status}\n${out}${err}")
endif()
if(NOT out MATCHES "${EXPECT}")
  message(FATAL_ERROR "the output of ${PROGRAM} does not match '${EXPECT}':\n${out}${err}")
endif()
