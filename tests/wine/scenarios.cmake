# End-to-end scenarios: the receiver process runs each script against the
# real Tarvex.exe and MQD7RA.dll (which reach it through Wine's own HID
# stack and the virtual receiver's driver) and the UI probe's commands.
# Run with the prefix's wine server up (scripts/wine-prefix.sh ctest ...).
file(GLOB scenario_scripts CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/scenarios/*.vr)
foreach(script IN LISTS scenario_scripts)
  get_filename_component(name ${script} NAME_WE)
  # A line "# vreceiver options: --window" starts the receiver so.
  file(STRINGS ${script} option_lines REGEX "^# vreceiver options: ")
  string(REPLACE "# vreceiver options: " "" options "${option_lines}")
  separate_arguments(options)
  add_test(NAME wine.scenario.${name} COMMAND vreceiver ${options} --script ${script}
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(wine.scenario.${name} PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
endforeach()

# A program of its own for the hid_stack scenario: the HID stack's answers.
add_executable(hid_probe ${CMAKE_CURRENT_LIST_DIR}/hid_probe.cpp)
target_link_libraries(hid_probe PRIVATE hid_interfaces)
tarvex_warnings(hid_probe)

# A program of its own for the usb_identity scenario: the receiver's
# identity as Windows tools read it.
add_executable(identity_probe ${CMAKE_CURRENT_LIST_DIR}/identity_probe.cpp)
target_link_libraries(identity_probe PRIVATE vreceiver_model setupapi cfgmgr32 hid)
tarvex_warnings(identity_probe)

# A caller of MQD7RA.dll of its own for the scenarios on input across
# re-opens and on interfaces arriving one at a time.
add_executable(stream_probe ${CMAKE_CURRENT_LIST_DIR}/stream_probe.cpp)
target_link_libraries(stream_probe PRIVATE mqd7ra_header user32)
tarvex_warnings(stream_probe)
add_dependencies(stream_probe MQD7RA)
