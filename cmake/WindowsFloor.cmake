# The oldest Windows the binaries run on: Windows 7 SP1 (NT 6.1).
# - The headers declare nothing newer, so code cannot call a newer function
#   by mistake.
# - Every PE file asks for 6.1 in its header (subsystem and OS version): an
#   older Windows refuses to start it instead of failing on a missing import.
# - The test windows_floor (tests/wine/windows_floor.cmake) checks that every
#   function MQD7RA.dll and Tarvex.exe import is on the list of functions
#   Windows 7 SP1 has (cmake/windows7-imports.txt); the static runtime
#   (libstdc++, winpthreads, the MinGW CRT) brings imports of its own.
#   Tarvex.exe starts no thread yet links winpthreads: the posix-thread
#   libstdc++ (which the library's std::thread and std::mutex need with
#   GCC 12) calls it for thread-safe statics and its locale set-up. What it
#   imports (GetTickCount64 of Vista and older functions) is within the floor.
set(TARVEX_WINDOWS_FLOOR "Windows 7 SP1")
set(TARVEX_WINDOWS_FLOOR_MAJOR 6)
set(TARVEX_WINDOWS_FLOOR_MINOR 1)

if(WIN32)
  add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601)
  if(MINGW)
    add_link_options(-Wl,--major-subsystem-version,6 -Wl,--minor-subsystem-version,1
                     -Wl,--major-os-version,6 -Wl,--minor-os-version,1)
  elseif(MSVC)
    # /SUBSYSTEM carries the version; its kind follows the target.
    foreach(lang C CXX)
      set(CMAKE_${lang}_CREATE_WIN32_EXE "/subsystem:windows,6.01")
      set(CMAKE_${lang}_CREATE_CONSOLE_EXE "/subsystem:console,6.01")
    endforeach()
    set(subsystem_kind "$<IF:$<BOOL:$<TARGET_PROPERTY:WIN32_EXECUTABLE>>,WINDOWS,CONSOLE>")
    add_link_options(
      "$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:/SUBSYSTEM:${subsystem_kind},6.01>"
      "$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,SHARED_LIBRARY>:/SUBSYSTEM:WINDOWS,6.01>")
  endif()
endif()
