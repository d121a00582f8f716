# The serial platform layer: plain C++ without Qt, chosen at build time, each system's side in
# platform/<system>/. Windows gets the Win32 communications calls, every other system the Linux
# layer: POSIX termios with Linux's own parts (/sys, linux/serial.h, asm/termbits.h).
# serial_platform.h in the chosen folder names the types the component uses, which offer what
# platform_interface.h states. The message framer goes with it.
if(WIN32)
  set(kvx_platform win32)
  set(kvx_platform_sources win32_port.h win32_port.cpp win32_dcb.h win32_event_waiter.h win32_event_waiter.cpp)
else()
  set(kvx_platform linux)
  set(kvx_platform_sources
    posix_port.h posix_port.cpp device_names.cpp
    lock_files.h lock_files.cpp small_file.h small_file.cpp
    shared_folder.h shared_folder.cpp
    parity_marks.h parity_marks.cpp
    low_latency.h low_latency.cpp
    port_event_waiter.h port_event_waiter.cpp
    termios_mapping.h custom_speed.cpp)
endif()
list(TRANSFORM kvx_platform_sources PREPEND ${CMAKE_CURRENT_LIST_DIR}/platform/${kvx_platform}/)
add_library(kvx_serial_platform STATIC
  ${CMAKE_CURRENT_LIST_DIR}/platform_interface.h
  ${CMAKE_CURRENT_LIST_DIR}/line_settings.h
  ${CMAKE_CURRENT_LIST_DIR}/open_failure.h
  ${CMAKE_CURRENT_LIST_DIR}/port_events.h
  ${CMAKE_CURRENT_LIST_DIR}/message_framer.h ${CMAKE_CURRENT_LIST_DIR}/message_framer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/platform/${kvx_platform}/serial_platform.h
  ${kvx_platform_sources})
target_include_directories(kvx_serial_platform PUBLIC
  ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/platform/${kvx_platform})
target_link_libraries(kvx_serial_platform PUBLIC Threads::Threads)
set_target_properties(kvx_serial_platform PROPERTIES AUTOMOC OFF)
kvx_warnings(kvx_serial_platform)
