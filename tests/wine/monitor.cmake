# Tarvex.exe under Wine: shows its window and closes cleanly (with a
# screenshot kept in artifacts/), calls the library at start-up and teardown,
# and loads MQD7RA.dll from PATH but not from the current directory.
set(monitor_wine_dir ${CMAKE_CURRENT_LIST_DIR})

add_library(mqd7ra_probe SHARED ${monitor_wine_dir}/mqd7ra_probe.c
                                ${monitor_wine_dir}/mqd7ra_probe.def)
target_link_libraries(mqd7ra_probe PRIVATE mqd7ra_header)
tarvex_warnings(mqd7ra_probe)
set_target_properties(mqd7ra_probe PROPERTIES PREFIX "" OUTPUT_NAME mqd7ra_probe
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-bin)
if(MINGW)
  target_link_options(mqd7ra_probe PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
endif()

# The host's pieces and the compiled resources, checked in-process.
add_executable(monitor_host_test ${monitor_wine_dir}/monitor_host_test.cpp
                                 ${PROJECT_SOURCE_DIR}/monitor/res/Tarvex.rc)
target_link_libraries(monitor_host_test PRIVATE monitor_host test_support)
tarvex_warnings(monitor_host_test)
tarvex_gbk_literals(monitor_host_test)
add_test(NAME wine.monitor_host COMMAND monitor_host_test)

set(tarvex_start_png ${CMAKE_BINARY_DIR}/artifacts/tarvex-start.png)
# With the device library beside it.
add_test(NAME wine.tarvex_start
         COMMAND env TARVEX_LIBRARY=$<TARGET_FILE:MQD7RA> bash ${monitor_wine_dir}/tarvex_start.sh $<TARGET_FILE:Tarvex>
                 $<TARGET_FILE:uiprobe> ${tarvex_start_png})
add_test(NAME wine.tarvex_library_calls
         COMMAND bash ${monitor_wine_dir}/tarvex_library_calls.sh $<TARGET_FILE:Tarvex>
                 $<TARGET_FILE:uiprobe> $<TARGET_FILE:mqd7ra_probe>
                 ${CMAKE_BINARY_DIR}/test-scratch/library-calls)
add_test(NAME wine.tarvex_planted_dll
         COMMAND bash ${monitor_wine_dir}/tarvex_planted_dll.sh $<TARGET_FILE:Tarvex>
                 $<TARGET_FILE:uiprobe> $<TARGET_FILE:mqd7ra_probe>
                 ${CMAKE_BINARY_DIR}/test-scratch/planted-dll)
set_tests_properties(wine.tarvex_start wine.tarvex_library_calls wine.tarvex_planted_dll
                     PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE)
