# Windows i686, MinGW-w64.
set(TARVEX_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
