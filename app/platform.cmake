# The process's platform layer, chosen at build time like the serial one: Windows gets Win32
# calls, every other system POSIX ones. The headers are shared (exit_signals.h, desktop.h); each
# platform folder holds that system's side, and nothing else in app/ tells the systems apart.
if(WIN32)
  set(kvx_app_platform win32)
else()
  set(kvx_app_platform posix)
endif()
set(kvx_app_platform_sources
  ${CMAKE_CURRENT_LIST_DIR}/desktop.h
  ${CMAKE_CURRENT_LIST_DIR}/exit_signals.h
  ${CMAKE_CURRENT_LIST_DIR}/platform/${kvx_app_platform}/desktop_${kvx_app_platform}.cpp
  ${CMAKE_CURRENT_LIST_DIR}/platform/${kvx_app_platform}/exit_signals_${kvx_app_platform}.cpp)
