# How the program starts: its command line, the folder it works in, and the installation
# test's hook. The version is the project's.
add_library(kvx_start STATIC
  ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_line.h
  ${kvx_start_platform_sources}
  ${CMAKE_CURRENT_LIST_DIR}/startup_read_hook.cpp
  ${CMAKE_CURRENT_LIST_DIR}/startup_read_hook.h
)
target_include_directories(kvx_start PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(kvx_start PUBLIC kvx_app Qt6::Widgets)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/command_line.cpp
  PROPERTIES COMPILE_DEFINITIONS KVX_VERSION="${PROJECT_VERSION}")
kvx_warnings(kvx_start)
target_link_libraries(kelvox-setup PRIVATE kvx_start)
