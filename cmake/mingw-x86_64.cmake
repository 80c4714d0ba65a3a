# Windows x86_64, MinGW-w64.
set(TARVEX_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
