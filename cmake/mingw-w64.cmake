# Cross-building the Qt-free code for 64-bit Windows. Programs run under Wine through
# cmake/wine-run.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-compilers.cmake)
# Self-contained programs: they import only KERNEL32.dll and msvcrt.dll.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
