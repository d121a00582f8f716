# The process's platform layer, chosen at build time like the serial one: Windows gets Win32
# calls, every other system POSIX ones. The headers are shared (exit_signals.h, desktop.h,
# safe_write.h, local_files.h, settings_folder.h); each platform folder holds that system's side,
# and nothing else in app/ tells the systems apart. The settings folder goes to the start target,
# the rest to the window's.
if(WIN32)
  set(kvx_app_platform win32)
else()
  set(kvx_app_platform posix)
endif()
set(kvx_app_platform_dir ${CMAKE_CURRENT_LIST_DIR}/platform/${kvx_app_platform})
set(kvx_app_platform_sources
  ${CMAKE_CURRENT_LIST_DIR}/desktop.h
  ${CMAKE_CURRENT_LIST_DIR}/exit_signals.h
  ${CMAKE_CURRENT_LIST_DIR}/local_files.h
  ${CMAKE_CURRENT_LIST_DIR}/safe_write.h
  ${kvx_app_platform_dir}/desktop_${kvx_app_platform}.cpp
  ${kvx_app_platform_dir}/exit_signals_${kvx_app_platform}.cpp
  ${kvx_app_platform_dir}/local_files_${kvx_app_platform}.cpp
  ${kvx_app_platform_dir}/safe_write_${kvx_app_platform}.cpp)
if(WIN32)
  list(APPEND kvx_app_platform_sources ${kvx_app_platform_dir}/win32_files.h)
endif()
set(kvx_start_platform_sources
  ${CMAKE_CURRENT_LIST_DIR}/settings_folder.h
  ${kvx_app_platform_dir}/settings_folder_${kvx_app_platform}.cpp)
