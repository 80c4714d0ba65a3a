# What callers of MQD7RA.dll get beside it: the header, the export list, the
# import libraries for MinGW (libMQD7RA.dll.a) and MSVC (MQD7RA.lib), a CMake
# package (MQD7RA::MQD7RA), the integrators' README, the licence and the
# example. `cmake --install` lays them out as the release zip holds them.
# Included from device/CMakeLists.txt, where export_list names the export
# list the DLL was linked from (stdcall-decorated in 32-bit MinGW builds).
include(CMakePackageConfigHelpers)

# MinGW builds make the MSVC import library with LLVM's dlltool: the 32-bit
# one holds the decorated stdcall symbols (_XOpen@4) that MSVC callers of the
# header reference, each importing the plain exported name (-k); the 64-bit
# one the plain names. MSVC builds get it from their own linker.
if(MINGW)
  find_program(LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14)
  if(LLVM_DLLTOOL)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(msvc_import_options -m i386 -k)
    else()
      set(msvc_import_options -m i386:x86-64)
    endif()
    set(msvc_import_library ${CMAKE_CURRENT_BINARY_DIR}/MQD7RA.lib)
    add_custom_command(OUTPUT ${msvc_import_library}
      COMMAND ${LLVM_DLLTOOL} ${msvc_import_options} -d ${export_list} -D MQD7RA.dll
              -l ${msvc_import_library}
      DEPENDS ${export_list}
      COMMENT "MSVC import library MQD7RA.lib"
      VERBATIM)
    add_custom_target(mqd7ra_msvc_import_library DEPENDS ${msvc_import_library})
    add_dependencies(MQD7RA mqd7ra_msvc_import_library)
    install(FILES ${msvc_import_library} DESTINATION lib)
  else()
    message(STATUS "llvm-dlltool not found: no MSVC import library (MQD7RA.lib)")
  endif()
endif()

install(TARGETS MQD7RA RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/include/mqd7ra.h DESTINATION include)
install(FILES ${export_list} DESTINATION lib RENAME mqd7ra.def)

set(package_dir ${CMAKE_CURRENT_BINARY_DIR}/package)
write_basic_package_version_file(${package_dir}/MQD7RAConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/MQD7RAConfig.cmake
              ${package_dir}/MQD7RAConfigVersion.cmake
        DESTINATION lib/cmake/MQD7RA)

install(FILES ${CMAKE_CURRENT_LIST_DIR}/README.txt DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION examples)
