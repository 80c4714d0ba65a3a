# CMake package of MQD7RA.dll. find_package(MQD7RA) gives the imported target
# MQD7RA::MQD7RA: the header's folder, the import library (MQD7RA.lib for
# MSVC and clang-cl, libMQD7RA.dll.a for MinGW) and the DLL itself, which
# $<TARGET_FILE:MQD7RA::MQD7RA> names for copying beside a program.
# MQD7RAConfigVersion.cmake refuses a package of the other architecture.
get_filename_component(_mqd7ra_root "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(MINGW)
  set(_mqd7ra_implib "${_mqd7ra_root}/lib/libMQD7RA.dll.a")
else()
  set(_mqd7ra_implib "${_mqd7ra_root}/lib/MQD7RA.lib")
endif()

if(NOT WIN32)
  set(MQD7RA_FOUND FALSE)
  set(MQD7RA_NOT_FOUND_MESSAGE "MQD7RA.dll is for Windows programs only")
elseif(NOT EXISTS "${_mqd7ra_implib}" OR NOT EXISTS "${_mqd7ra_root}/bin/MQD7RA.dll")
  set(MQD7RA_FOUND FALSE)
  set(MQD7RA_NOT_FOUND_MESSAGE "missing ${_mqd7ra_implib} or ${_mqd7ra_root}/bin/MQD7RA.dll")
elseif(NOT TARGET MQD7RA::MQD7RA)
  add_library(MQD7RA::MQD7RA SHARED IMPORTED)
  set_target_properties(MQD7RA::MQD7RA PROPERTIES
    IMPORTED_LOCATION "${_mqd7ra_root}/bin/MQD7RA.dll"
    IMPORTED_IMPLIB "${_mqd7ra_implib}"
    INTERFACE_INCLUDE_DIRECTORIES "${_mqd7ra_root}/include")
endif()
unset(_mqd7ra_implib)
unset(_mqd7ra_root)
