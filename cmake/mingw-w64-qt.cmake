# Cross-building the window program for 64-bit Windows against the Qt that
# scripts/build-qt-windows.sh builds; loaded through that Qt's qt-cmake as
# QT_CHAINLOAD_TOOLCHAIN_FILE. No -static-libstdc++: Qt's DLLs use the shared libstdc++-6.dll,
# and one process must not hold two copies of the C++ runtime.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-compilers.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
