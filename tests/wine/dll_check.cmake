# The device library's check under Wine: load MQD7RA.dll by name, list its
# export table, call every export against Wine's own HID stack (no receiver),
# read its version resource.
add_executable(mqd7ra_dll_check ${CMAKE_CURRENT_LIST_DIR}/dll_check.cpp)
target_link_libraries(mqd7ra_dll_check PRIVATE mqd7ra_header hid_interfaces user32 version tarvex_version)
tarvex_warnings(mqd7ra_dll_check)
add_dependencies(mqd7ra_dll_check MQD7RA)
add_test(NAME wine.mqd7ra_dll_check COMMAND mqd7ra_dll_check
         WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(wine.mqd7ra_dll_check PROPERTIES TIMEOUT 120)
