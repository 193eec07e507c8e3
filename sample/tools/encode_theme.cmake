# cmake -DSOUNDS=<sample_sounds> -DOGGENC=<oggenc> -DINPUT=<theme.wav> -DOUTPUT=<theme.ogg> -P encode_theme.cmake
# Encodes the tune to Ogg Vorbis with the loop points sample_sounds reports
# as LPST=/LPED= comments, which the engine's Ogg reader loops by.
execute_process(COMMAND ${SOUNDS} loop OUTPUT_VARIABLE loop_points RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "sample_sounds loop failed")
endif()
string(REGEX MATCH "LPST=[0-9]+" loop_start "${loop_points}")
string(REGEX MATCH "LPED=[0-9]+" loop_end "${loop_points}")
execute_process(COMMAND ${OGGENC} --quiet -q 4 -c ${loop_start} -c ${loop_end} -o ${OUTPUT} ${INPUT}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "oggenc failed on ${INPUT}")
endif()
