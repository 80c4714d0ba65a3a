# Compiler-specific flags live here, and only here.

# tarvex_warnings(target): the project's warning level, as errors when asked.
function(tarvex_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive- /source-charset:utf-8)
    if(TARVEX_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion
                                             -Wno-sign-conversion)
    if(TARVEX_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

# tarvex_gbk_literals(target): narrow string literals become GBK (code page
# 936) bytes; sources stay UTF-8.
function(tarvex_gbk_literals target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /execution-charset:.936)
  else()
    target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=GBK)
  endif()
endfunction()

# The oldest Windows the binaries run on, and what follows from it.
include(${CMAKE_CURRENT_LIST_DIR}/WindowsFloor.cmake)

# MinGW: no runtime DLLs beside the deliverables (libstdc++, libgcc and
# winpthread are linked in), so a bare copy of MQD7RA.dll or Tarvex.exe runs.
if(MINGW)
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Reproducible binaries: no link time in the PE header, no build paths.
  add_link_options(-Wl,--no-insert-timestamp)
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
                      -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
endif()

if(TARVEX_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
elseif(TARVEX_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(TARVEX_SANITIZE STREQUAL "fuzzer")
  # libFuzzer (clang): every library instrumented, the fuzzer's main linked
  # into the fuzz targets alone (tarvex_fuzz_target).
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
elseif(NOT TARVEX_SANITIZE STREQUAL "")
  message(FATAL_ERROR "TARVEX_SANITIZE must be empty, 'address', 'thread' or 'fuzzer'")
endif()

# tarvex_fuzz_target(target): links libFuzzer's main into a fuzz target.
function(tarvex_fuzz_target target)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
endfunction()
