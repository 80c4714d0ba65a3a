# The Windows floor (cmake/WindowsFloor.cmake): MQD7RA.dll, Tarvex.exe and
# pendant-record.exe ask for it in their headers and import nothing it lacks. The checker itself is
# shown a DLL that imports a function of Windows 8 and must name it.
if(CMAKE_OBJDUMP)
  set(floor_check
      ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP}
      -DALLOWED=${PROJECT_SOURCE_DIR}/cmake/windows7-imports.txt
      -DMAJOR=${TARVEX_WINDOWS_FLOOR_MAJOR} -DMINOR=${TARVEX_WINDOWS_FLOOR_MINOR}
      "-DFLOOR=${TARVEX_WINDOWS_FLOOR}")
  set(floor_script -P ${PROJECT_SOURCE_DIR}/cmake/CheckWindowsFloor.cmake)

  add_test(NAME windows_floor
           COMMAND ${floor_check} "-DFILES=$<TARGET_FILE:MQD7RA>$<SEMICOLON>$<TARGET_FILE:Tarvex>$<SEMICOLON>$<TARGET_FILE:pendant-record>"
                   ${floor_script})

  add_library(windows8_import SHARED ${CMAKE_CURRENT_LIST_DIR}/windows8_import.c)
  set_target_properties(windows8_import PROPERTIES PREFIX ""
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-bin)
  add_test(NAME windows_floor.catches_newer_import
           COMMAND ${floor_check} -DFILES=$<TARGET_FILE:windows8_import> ${floor_script})
  set_tests_properties(windows_floor.catches_newer_import PROPERTIES
    PASS_REGULAR_EXPRESSION "imports KERNEL32.DLL!GetSystemTimePreciseAsFileTime, which is not")
endif()
