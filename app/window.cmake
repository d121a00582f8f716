# The main window module KVX_Setup and the program entry.
include(${CMAKE_CURRENT_LIST_DIR}/platform.cmake)
add_library(kvx_app STATIC
  ${kvx_app_platform_sources}
  ${CMAKE_CURRENT_LIST_DIR}/KVX_Setup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KVX_Setup.h
  ${CMAKE_CURRENT_LIST_DIR}/caption_fit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/caption_fit.h
  ${CMAKE_CURRENT_LIST_DIR}/clock_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/clock_link.h
  ${CMAKE_CURRENT_LIST_DIR}/batch_transfer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/batch_transfer.h
  ${CMAKE_CURRENT_LIST_DIR}/config_file_access.cpp
  ${CMAKE_CURRENT_LIST_DIR}/config_file_access.h
  ${CMAKE_CURRENT_LIST_DIR}/message_boxes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_boxes.h
  ${CMAKE_CURRENT_LIST_DIR}/message_gate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_gate.h
  ${CMAKE_CURRENT_LIST_DIR}/port_buttons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/port_buttons.h
  ${CMAKE_CURRENT_LIST_DIR}/port_chooser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/port_chooser.h
  ${CMAKE_CURRENT_LIST_DIR}/port_settings_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/port_settings_file.h
  ${CMAKE_CURRENT_LIST_DIR}/radio_group.cpp
  ${CMAKE_CURRENT_LIST_DIR}/radio_group.h
  ${CMAKE_CURRENT_LIST_DIR}/radio_keys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/radio_keys.h
  ${CMAKE_CURRENT_LIST_DIR}/reply_timer.h
  ${CMAKE_CURRENT_LIST_DIR}/window_config_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_controls.h
  ${CMAKE_CURRENT_LIST_DIR}/window_menus.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_ports.cpp
)
target_include_directories(kvx_app PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(kvx_app PUBLIC kvx_serial kvx_clock kvx_timer kvx_texts kvx_ui Qt6::Widgets)
kvx_warnings(kvx_app)

add_executable(kelvox-setup ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(kelvox-setup PRIVATE kvx_app)
set_target_properties(kelvox-setup PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/app)
kvx_warnings(kelvox-setup)
