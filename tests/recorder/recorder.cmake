# The recorder under Wine against the virtual receiver: its command line and
# messages (recorder_command_line.vr), and recording beside Tarvex then
# replaying byte for byte (record_replay.sh). Both need the receiver
# process of the same build.
set(recorder_scratch ${CMAKE_BINARY_DIR}/test-scratch/recorder-command-line)
file(MAKE_DIRECTORY ${recorder_scratch})
add_test(NAME wine.recorder.command_line
         COMMAND vreceiver --script ${CMAKE_CURRENT_LIST_DIR}/recorder_command_line.vr
         WORKING_DIRECTORY ${recorder_scratch})
add_test(NAME wine.recorder.record_replay
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/record_replay.sh ${CMAKE_BINARY_DIR}/bin
                 ${CMAKE_BINARY_DIR}/test-scratch/record-replay)
set_tests_properties(wine.recorder.command_line wine.recorder.record_replay PROPERTIES
                     TIMEOUT 600 RUN_SERIAL TRUE)
