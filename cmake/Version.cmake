# The project version reaches the binaries through one generated header,
# tarvex_version.h (target tarvex_version), and the release script through
# release-version.txt in the build tree. Missing parts of the version count 0.
foreach(part MAJOR MINOR PATCH TWEAK)
  set(version_${part} ${PROJECT_VERSION_${part}})
  if(version_${part} STREQUAL "")
    set(version_${part} 0)
  endif()
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/tarvex_version.h.in
               ${PROJECT_BINARY_DIR}/generated/tarvex_version.h @ONLY)
file(WRITE ${PROJECT_BINARY_DIR}/release-version.txt "${PROJECT_VERSION}\n")
add_library(tarvex_version INTERFACE)
target_include_directories(tarvex_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
