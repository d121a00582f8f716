# The process's platform layer, chosen at build time like the serial one: Windows gets Win32
# calls, every other system POSIX ones. The headers are shared (exit_signals.h, desktop.h,
# safe_write.h, local_files.h, program_arguments.h, settings_folder.h, foreign_entries.h); each
# platform folder holds that system's side, and nothing else in app/ tells the systems apart.
if(WIN32)
  set(kvx_process_platform win32)
else()
  set(kvx_process_platform posix)
endif()
set(kvx_process_platform_dir ${CMAKE_CURRENT_LIST_DIR}/platform/${kvx_process_platform})
set(kvx_process_platform_sources
  ${CMAKE_CURRENT_LIST_DIR}/desktop.h
  ${CMAKE_CURRENT_LIST_DIR}/exit_signals.h
  ${CMAKE_CURRENT_LIST_DIR}/file_steps.h
  ${CMAKE_CURRENT_LIST_DIR}/foreign_entries.h
  ${CMAKE_CURRENT_LIST_DIR}/local_files.h
  ${CMAKE_CURRENT_LIST_DIR}/program_arguments.h
  ${CMAKE_CURRENT_LIST_DIR}/safe_write.h
  ${CMAKE_CURRENT_LIST_DIR}/settings_folder.h
  ${kvx_process_platform_dir}/desktop_${kvx_process_platform}.cpp
  ${kvx_process_platform_dir}/exit_signals_${kvx_process_platform}.cpp
  ${kvx_process_platform_dir}/local_files_${kvx_process_platform}.cpp
  ${kvx_process_platform_dir}/program_arguments_${kvx_process_platform}.cpp
  ${kvx_process_platform_dir}/safe_write_${kvx_process_platform}.cpp
  ${kvx_process_platform_dir}/settings_folder_${kvx_process_platform}.cpp)
# The POSIX side keeps the serial layer's rule for entries in shared folders (shared_folder.h),
# so that a COMn entry, kelvox.ini and a configuration file are judged alike.
if(WIN32)
  list(APPEND kvx_process_platform_sources ${kvx_process_platform_dir}/win32_files.h)
  set(kvx_process_platform_libs)
else()
  list(APPEND kvx_process_platform_sources ${kvx_process_platform_dir}/posix_files.h)
  set(kvx_process_platform_libs kvx_serial_platform)
endif()
